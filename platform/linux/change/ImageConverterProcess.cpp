#include "platform/linux/change/ImageConverterProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "platform/linux/change/HelperProcess.h"
#include "platform/linux/change/RunningProgram.h"
#include "platform/linux/converter/ImageConverterProtocol.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;

// How soon a run notices StopAll.
constexpr std::chrono::milliseconds kStopCheckInterval{50};

std::atomic<bool> stopping{false};

std::string DefaultProgram() {
    if (const char* chosen = std::getenv("VORNK_IMAGE_CONVERTER"); chosen && *chosen) {
        return chosen;  // the tests', whose programs live elsewhere in the build tree
    }
    const std::filesystem::path folder = std::filesystem::path(RunningProgramPath()).parent_path();
    const std::filesystem::path beside = folder / image_converter::kProgramName;
    if (access(beside.c_str(), X_OK) == 0) {
        return beside.string();
    }
    return (folder / VORNK_CONVERTER_FROM_BINDIR / image_converter::kProgramName)
        .lexically_normal()
        .string();
}

// Ours, with the C library's allocator asking for huge pages: a converter is a fresh process
// that touches a few hundred megabytes once, and faulting them in 4 KB pages took a third of a
// 6000x4000 photo's conversion here.
std::vector<std::string> ConverterEnvironment() {
    const std::string tunable = "glibc.malloc.hugetlb=1";
    std::vector<std::string> environment;
    bool tuned = false;
    for (char** variable = environ; *variable != nullptr; ++variable) {
        std::string entry = *variable;
        if (entry.starts_with("GLIBC_TUNABLES=")) {
            entry += ":" + tunable;
            tuned = true;
        }
        environment.push_back(std::move(entry));
    }
    if (!tuned) {
        environment.push_back("GLIBC_TUNABLES=" + tunable);
    }
    return environment;
}

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

// Until the converter closes its output; false when the time ran out or the program is ending.
bool ReadOutput(int input, Clock::time_point deadline, std::string& output,
                const std::function<void(const std::string&)>& received) {
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
            if (received) {
                received(output);
            }
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
    const std::vector<std::string>& arguments,
    const std::function<void(const std::string&)>& received) const {
    Result result;
    int ends[2];
    if (stopping || pipe2(ends, O_CLOEXEC) != 0) {
        return result;
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    const pid_t pid = HelperProcess::StartWithOutput(argv, ends[1], ConverterEnvironment());
    close(ends[1]);
    if (pid < 0) {
        close(ends[0]);
        return result;
    }
    const Clock::time_point deadline = Clock::now() + timeLimit;
    const bool closed = ReadOutput(ends[0], deadline, result.output, received);
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
