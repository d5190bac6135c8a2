#include "platform/linux/change/ChildProcess.h"

#include "platform/linux/change/HelperProcess.h"

ChildProcess::ChildProcess(pid_t pid) : pid(pid) {}

ChildProcess::~ChildProcess() {
    if (IsOwned()) {
        HelperProcess::Stop(pid);
    }
}

std::optional<int> ChildProcess::WaitForExit(std::chrono::milliseconds timeout) {
    int status = 0;
    if (!IsOwned() || !HelperProcess::WaitForExit(pid, timeout, &status)) {
        return std::nullopt;
    }
    pid = -1;
    return status;
}
