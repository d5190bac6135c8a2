#pragma once

#include "model/CommandInterface.h"
#include "model/WideString.h"

class WallpaperChanger;

// One wallpaper change. The first execution picks the next image; later executions (redo)
// re-install that same image, and undoing re-installs the one shown before the first execution.
class ChangeCommand final : public CommandInterface {
public:
    explicit ChangeCommand(WallpaperChanger& changer);

    void Execute() override;
    bool IsUndoable() const override;
    void Unexecute() override;
    std::unique_ptr<CommandInterface> Clone() const override;

private:
    void Apply(const WideString& path);

    WallpaperChanger& changer;
    WideString previous;
    WideString next;  // non-empty once the command has been executed
};
