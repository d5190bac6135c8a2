#include "platform/linux/ImageConverterProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/linux/HelperProcess.h"
#include "platform/linux/ImageConverterProtocol.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// How soon a run notices StopAll.
constexpr std::chrono::milliseconds kStopCheckInterval{50};

std::atomic<bool> stopping{false};

// The program that runs, also after a package upgrade replaced its file.
std::filesystem::path RunningProgram() {
    std::error_code error;
    std::string path = std::filesystem::read_symlink("/proc/self/exe", error).string();
    const std::string deleted = " (deleted)";
    if (path.ends_with(deleted)) {
        path.erase(path.size() - deleted.size());
    }
    return path;
}

std::string DefaultProgram() {
    if (const char* chosen = std::getenv("VORNK_IMAGE_CONVERTER"); chosen && *chosen) {
        return chosen;  // the tests', whose programs live elsewhere in the build tree
    }
    const std::filesystem::path folder = RunningProgram().parent_path();
    const std::filesystem::path beside = folder / image_converter::kProgramName;
    if (access(beside.c_str(), X_OK) == 0) {
        return beside.string();
    }
    return (folder / VORNK_CONVERTER_FROM_BINDIR / image_converter::kProgramName)
        .lexically_normal()
        .string();
}

// Standard output into `output`; the rest to /dev/null; the signal state of a fresh process.
pid_t Start(const std::vector<std::string>& argv, int output) {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    std::vector<char*> pointers;
    for (const std::string& argument : argv) {
        pointers.push_back(const_cast<char*>(argument.c_str()));
    }
    pointers.push_back(nullptr);
    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, pointers[0], &actions, &attributes, pointers.data(), environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    return error == 0 ? pid : -1;
}

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

// Until the converter closes its output; false when the time ran out or the program is ending.
bool ReadOutput(int input, Clock::time_point deadline, std::string& output) {
    char buffer[1 << 16];
    while (!stopping && Left(deadline).count() > 0) {
        pollfd descriptor{input, POLLIN, 0};
        const auto wait = std::min(Left(deadline), kStopCheckInterval);
        const int ready = poll(&descriptor, 1, static_cast<int>(wait.count()));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t count = read(input, buffer, sizeof buffer);
        if (count == 0) {
            return true;
        }
        if (count > 0) {
            output.append(buffer, static_cast<std::size_t>(count));
        } else if (errno != EINTR && errno != EAGAIN) {
            return false;
        }
    }
    return false;
}

}  // namespace

ImageConverterProcess::ImageConverterProcess()
    : ImageConverterProcess(DefaultProgram(), image_converter::kTimeLimit) {}

ImageConverterProcess::ImageConverterProcess(std::string program,
                                             std::chrono::milliseconds timeLimit)
    : program(std::move(program)), timeLimit(timeLimit) {}

ImageConverterProcess::Result ImageConverterProcess::Run(
    const std::vector<std::string>& arguments) const {
    Result result;
    int ends[2];
    if (stopping || pipe2(ends, O_CLOEXEC) != 0) {
        return result;
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const pid_t pid = Start(argv, ends[1]);
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return result;
    }
    const Clock::time_point deadline = Clock::now() + timeLimit;
    const bool closed = ReadOutput(ends[0], deadline, result.output);
    close(ends[0]);
    int status = 0;
    if (closed && !stopping && HelperProcess::WaitForExit(pid, Left(deadline), &status)) {
        result.exited = WIFEXITED(status);
        result.exitCode = result.exited ? WEXITSTATUS(status) : -1;
        return result;
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return result;
}

void ImageConverterProcess::StopAll() {
    stopping = true;
}
