#include "model/ChangeCommand.h"

#include <algorithm>
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
    previous = changer.GetCurrentWallpapers();
    const std::size_t count =
        changer.IsDifferentPerMonitor() ? std::max<std::size_t>(GetCore().CountMonitors(), 1) : 1;
    Pick(count, {}, [this, done = std::move(done)](std::exception_ptr error) {
        if (!error) {
            next = changer.GetCurrentWallpapers();
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

// One pick at a time: taking the last entry refills the list, and the next pick (or the change)
// goes on only once that has succeeded, so a set that spans two passes takes its later pictures
// from the new one. A list shorter than the set comes round again within it.
void ChangeCommand::Pick(std::size_t count, Wallpapers picked, Completion done) {
    if (picked.size() == count) {
        Apply(picked, std::move(done));
        return;
    }
    SourceManager& manager = changer.GetSourceManager();
    try {
        picked.push_back(GetAlgorithmManager()
                             .GetCurrentAlgorithm()
                             ->SelectNext(manager.GetWallpaperList(), manager)
                             .GetFile());
    } catch (...) {
        done(std::current_exception());
        return;
    }
    manager.WhenRefilled([this, count, picked = std::move(picked),
                          done = std::move(done)](std::exception_ptr error) mutable {
        if (error) {
            done(error);
            return;
        }
        Pick(count, std::move(picked), std::move(done));
    });
}

// The set is recorded only once the core has shown it. A single picture goes the way it always
// has, so that with the option off nothing changes.
void ChangeCommand::Apply(const Wallpapers& paths, Completion done) {
    auto shown = [this, paths, done = std::move(done)](std::exception_ptr error) {
        if (!error) {
            changer.RecordShown(paths);
        }
        done(error);
    };
    if (paths.size() == 1) {
        GetCore().StartSetWallpaper(paths.front(), std::move(shown));
    } else {
        GetCore().StartSetWallpapers(paths, std::move(shown));
    }
}
