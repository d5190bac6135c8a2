#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

// Runs the desktops' own helper programs. Arguments go to the program as an argv list, never
// through a shell, so no character of a path can be taken as syntax.
class HelperProcess final {
public:
    // Long enough for a desktop's command-line client to hand a request to its daemon, short
    // enough that a hung one does not freeze the user interface for long.
    static constexpr std::chrono::milliseconds kDefaultTimeout{5000};

    // Runs argv[0] (looked up in PATH) and waits for it. True when it exited with status 0
    // within the timeout; a program still running then is killed and counts as a failure.
    static bool Run(const std::vector<std::string>& argv,
                    std::chrono::milliseconds timeout = kDefaultTimeout);

    // Starts argv[0] with its standard output into `output`, this environment ("NAME=value"
    // each) and the descriptors `handedOver` as its descriptors 3, 4 and on (it inherits no
    // other); the caller owns it through a ChildProcess. The process id, or -1 when it could not
    // be started.
    static pid_t StartWithOutput(const std::vector<std::string>& argv, int output,
                                 const std::vector<std::string>& environment,
                                 const std::vector<int>& handedOver = {});

    // Starts argv[0] in a session of its own, so that it outlives this program. The process id,
    // or -1 when it could not be started.
    static pid_t StartDetached(const std::vector<std::string>& argv);

    // Waits up to `timeout` for the child `pid` to exit. True when it has exited (and has been
    // reaped), false when it is still running.
    static bool WaitForExit(pid_t pid, std::chrono::milliseconds timeout, int* status = nullptr);

    // Ends a child of ours and reaps it: asked to end (SIGTERM), then killed when it has not
    // within a second. The one way the program ends a child.
    static void Stop(pid_t pid);
};
