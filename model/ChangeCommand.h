#pragma once

#include <cstddef>
#include <vector>

#include "model/CommandInterface.h"
#include "model/WideString.h"

class WallpaperChanger;

// One wallpaper change. The first execution picks the next image, or one for each monitor when
// the changer asks for that; later executions (redo) re-install that same set, and undoing
// re-installs the set shown before the first execution. The object must live until its
// completion has run.
class ChangeCommand final : public CommandInterface {
public:
    explicit ChangeCommand(WallpaperChanger& changer);

    void Execute(Completion done) override;
    bool IsUndoable() const override;
    void Unexecute(Completion done) override;
    std::unique_ptr<CommandInterface> Clone() const override;

private:
    using Wallpapers = std::vector<WideString>;

    void Pick(std::size_t count, Wallpapers picked, Completion done);
    void Apply(const Wallpapers& paths, Completion done);

    WallpaperChanger& changer;
    Wallpapers previous;
    Wallpapers next;  // non-empty once the command has been executed
};
