#include "model/ChangeCommand.h"

#include <utility>

#include "model/WallpaperChanger.h"
#include "platform/CoreInterface.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"

ChangeCommand::ChangeCommand(WallpaperChanger& changer) : changer(changer) {}

void ChangeCommand::Execute(Completion done) {
    if (!next.empty()) {
        Apply(next, std::move(done));
        return;
    }
    previous = changer.GetCurrentWallpaper();
    SourceManager& manager = changer.GetSourceManager();
    WallpaperEntry chosen;
    try {
        chosen = GetAlgorithmManager().GetCurrentAlgorithm()->SelectNext(manager.GetWallpaperList(),
                                                                         manager);
    } catch (...) {
        done(std::current_exception());
        return;
    }
    // Taking the last entry refills the list; the change goes on only once that has succeeded.
    manager.WhenRefilled(
        [this, file = chosen.GetFile(), done = std::move(done)](std::exception_ptr error) mutable {
            if (error) {
                done(error);
                return;
            }
            Apply(file, [this, done = std::move(done)](std::exception_ptr failure) {
                if (!failure) {
                    next = changer.GetCurrentWallpaper();
                }
                done(failure);
            });
        });
}

bool ChangeCommand::IsUndoable() const {
    return true;
}

void ChangeCommand::Unexecute(Completion done) {
    if (previous.empty()) {
        done(nullptr);
        return;
    }
    Apply(previous, std::move(done));
}

std::unique_ptr<CommandInterface> ChangeCommand::Clone() const {
    return std::make_unique<ChangeCommand>(*this);
}

// The path is recorded only once the core has shown it.
void ChangeCommand::Apply(const WideString& path, Completion done) {
    GetCore().StartSetWallpaper(path,
                                [this, path, done = std::move(done)](std::exception_ptr error) {
                                    if (!error) {
                                        changer.RecordShown(path);
                                    }
                                    done(error);
                                });
}
