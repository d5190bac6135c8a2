#pragma once

#include "model/CommandInterface.h"
#include "model/WideString.h"

class WallpaperChanger;

// One wallpaper change. The first execution picks the next image; later executions (redo)
// re-install that same image, and undoing re-installs the one shown before the first execution.
// The object must live until its completion has run.
class ChangeCommand final : public CommandInterface {
public:
    explicit ChangeCommand(WallpaperChanger& changer);

    void Execute(Completion done) override;
    bool IsUndoable() const override;
    void Unexecute(Completion done) override;
    std::unique_ptr<CommandInterface> Clone() const override;

private:
    void Apply(const WideString& path, Completion done);

    WallpaperChanger& changer;
    WideString previous;
    WideString next;  // non-empty once the command has been executed
};
