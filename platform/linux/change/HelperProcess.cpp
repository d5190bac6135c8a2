#include "platform/linux/change/HelperProcess.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <thread>

#include "platform/linux/change/ChildProcess.h"

extern char** environ;

namespace {

std::vector<char*> ArgvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    pointers.reserve(argv.size() + 1);
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    return pointers;
}

// The helpers talk to their daemons; their own output would only clutter ours, and a helper
// must never read the user's terminal.
pid_t Spawn(const std::vector<std::string>& argv, short extraFlags, int output = -1,
            char* const* environment = environ, const std::vector<int>& handedOver = {}) {
    if (argv.empty()) {
        return -1;
    }
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    for (int descriptor : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        const int mode = descriptor == STDIN_FILENO ? O_RDONLY : O_WRONLY;
        if (descriptor == STDOUT_FILENO && output >= 0) {
            posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
        } else {
            posix_spawn_file_actions_addopen(&actions, descriptor, "/dev/null", mode, 0);
        }
    }
    int target = STDERR_FILENO;
    for (const int descriptor : handedOver) {
        posix_spawn_file_actions_adddup2(&actions, descriptor, ++target);
    }
    // Whatever this program left open without close-on-exec stays here.
    posix_spawn_file_actions_addclosefrom_np(&actions, target + 1);
    // Signal dispositions and the mask of a GUI program are not the helper's business.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | extraFlags);

    std::vector<char*> pointers = ArgvPointers(argv);
    pid_t pid = -1;
    const int error =
        posix_spawnp(&pid, pointers[0], &actions, &attributes, pointers.data(), environment);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

}  // namespace

bool HelperProcess::Run(const std::vector<std::string>& argv, std::chrono::milliseconds timeout) {
    const pid_t pid = Spawn(argv, 0);
    if (pid < 0) {
        return false;
    }
    ChildProcess helper(pid);
    const std::optional<int> status = helper.WaitForExit(timeout);
    return status && WIFEXITED(*status) && WEXITSTATUS(*status) == 0;
}

pid_t HelperProcess::StartWithOutput(const std::vector<std::string>& argv, int output,
                                     const std::vector<std::string>& environment,
                                     const std::vector<int>& handedOver) {
    // Copies above every target number, so that no descriptor is overwritten before its copy.
    const int firstFree = STDERR_FILENO + 1 + static_cast<int>(handedOver.size());
    std::vector<int> copies;
    for (const int descriptor : handedOver) {
        copies.push_back(fcntl(descriptor, F_DUPFD_CLOEXEC, firstFree));
    }
    std::vector<char*> pointers = ArgvPointers(environment);
    const bool copied = std::find(copies.begin(), copies.end(), -1) == copies.end();
    const pid_t pid = copied ? Spawn(argv, 0, output, pointers.data(), copies) : -1;
    for (const int copy : copies) {
        if (copy >= 0) {
            close(copy);
        }
    }
    return pid;
}

pid_t HelperProcess::StartDetached(const std::vector<std::string>& argv) {
    return Spawn(argv, POSIX_SPAWN_SETSID);
}

bool HelperProcess::WaitForExit(pid_t pid, std::chrono::milliseconds timeout, int* status) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    int ignored = 0;
    int* result = status != nullptr ? status : &ignored;
    *result = -1;  // not an exit status: a child reaped elsewhere does not count as a success
    while (true) {
        const pid_t reaped = waitpid(pid, result, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno != EINTR)) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

void HelperProcess::Stop(pid_t pid) {
    kill(pid, SIGTERM);
    if (!WaitForExit(pid, std::chrono::milliseconds(1000))) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}
