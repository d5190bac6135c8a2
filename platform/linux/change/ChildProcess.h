#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>

// Sole owner of a child process: a child still running when its owner goes is ended and reaped
// (HelperProcess::Stop), so that no way out of the owner, an exception included, leaves it
// running or unreaped.
class ChildProcess final {
public:
    // `pid`: a child of this process, started and not yet reaped.
    explicit ChildProcess(pid_t pid);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Waits up to `timeout`. The wait status once the child has exited (it is then reaped and
    // no longer owned), nothing while it still runs.
    std::optional<int> WaitForExit(std::chrono::milliseconds timeout);

private:
    bool IsOwned() const { return pid >= 0; }

    pid_t pid;
};
