#pragma once

#include <memory>

class CommandInterface {
public:
    virtual ~CommandInterface() = default;
    virtual void Execute() = 0;
    virtual bool IsUndoable() const = 0;
    virtual void Unexecute() = 0;
    virtual std::unique_ptr<CommandInterface> Clone() const = 0;
};
