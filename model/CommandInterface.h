#pragma once

#include <exception>
#include <functional>
#include <memory>

// Called once when a command has finished: with the error it raised, or null on success. It may
// run later than the call that started the command, on the same thread.
using Completion = std::function<void(std::exception_ptr error)>;

class CommandInterface {
public:
    virtual ~CommandInterface() = default;
    virtual void Execute(Completion done) = 0;
    virtual bool IsUndoable() const = 0;
    virtual void Unexecute(Completion done) = 0;
    virtual std::unique_ptr<CommandInterface> Clone() const = 0;
};
