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
    WallpaperEntry chosen;
    try {
        SourceManager& manager = changer.GetSourceManager();
        chosen = GetAlgorithmManager().GetCurrentAlgorithm()->SelectNext(manager.GetWallpaperList(),
                                                                         manager);
    } catch (...) {
        done(std::current_exception());
        return;
    }
    Apply(chosen.file, [this, done = std::move(done)](std::exception_ptr error) {
        if (!error) {
            next = changer.GetCurrentWallpaper();
        }
        done(error);
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
                                        try {
                                            changer.SetCurrentWallpaper(path);
                                        } catch (...) {
                                            error = std::current_exception();
                                        }
                                    }
                                    done(error);
                                });
}
