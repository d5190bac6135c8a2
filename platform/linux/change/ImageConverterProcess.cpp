#include "platform/linux/change/ImageConverterProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <utility>
#include <vector>

#include "platform/linux/change/ChildProcess.h"
#include "platform/linux/change/HelperProcess.h"
#include "platform/linux/change/RunningProgram.h"
#include "platform/linux/converter/ImageConverterProtocol.h"

namespace {

using Clock = std::chrono::steady_clock;

// How soon a run notices StopAll.
constexpr std::chrono::milliseconds kStopCheckInterval{50};
// The most a pipe may hold without privileges, by default.
constexpr int kPipeSize = 1 << 20;

std::atomic<int> stopsHeld{0};
std::atomic<unsigned> stopsMade{0};

// A run is stopped while a stop is held, and also by a stop made after it started, so that a
// stop dropped at once still ends the runs in flight.
class RunStopWatch final {
public:
    RunStopWatch() : madeAtStart(stopsMade) {}
    bool IsStopped() const { return stopsHeld > 0 || stopsMade != madeAtStart; }

private:
    unsigned madeAtStart;
};

// The converter's standard output; both ends are closed however the run ends.
class OutputPipe final {
public:
    OutputPipe() {
        if (pipe2(ends, O_CLOEXEC) != 0) {
            ends[0] = ends[1] = -1;
            return;
        }
        // A screen's picture in a few writes rather than one for every 64 KB, each waiting for
        // this side to read; the system's default size where it allows no more.
        fcntl(ends[1], F_SETPIPE_SZ, kPipeSize);
    }
    ~OutputPipe() {
        CloseWritingEnd();
        if (ends[0] >= 0) {
            close(ends[0]);
        }
    }
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    bool IsOpen() const { return ends[0] >= 0; }
    int ReadingEnd() const { return ends[0]; }
    int WritingEnd() const { return ends[1]; }
    // Once the converter has its copy: the output ends when the converter's does.
    void CloseWritingEnd() {
        if (ends[1] >= 0) {
            close(ends[1]);
            ends[1] = -1;
        }
    }

private:
    int ends[2];
};

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

// Nothing of ours (no display, no bus address, no home folder): only the C library's allocator
// asked for huge pages. A converter is a fresh process that touches a few hundred megabytes once,
// and faulting them in 4 KB pages took a third of a 6000x4000 photo's conversion here.
std::vector<std::string> ConverterEnvironment() {
    std::string tunables = "GLIBC_TUNABLES=";
    if (const char* chosen = std::getenv("GLIBC_TUNABLES"); chosen && *chosen) {
        tunables += std::string(chosen) + ":";
    }
    return {tunables + "glibc.malloc.hugetlb=1"};
}

std::chrono::milliseconds Left(Clock::time_point deadline) {
    return std::max(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()),
                    std::chrono::milliseconds(0));
}

// Until the converter closes its output; false when the time ran out, the run was stopped or the
// output outgrew `limit`.
bool ReadOutput(int input, Clock::time_point deadline, const RunStopWatch& stop, std::size_t limit,
                std::string& output, const std::function<void(const std::string&)>& received) {
    // One byte past the limit tells an output that outgrew it.
    std::vector<char> buffer(std::min<std::size_t>(kPipeSize, limit + 1));
    output.reserve(limit);
    while (!stop.IsStopped() && Left(deadline).count() > 0) {
        pollfd descriptor{input, POLLIN, 0};
        const auto wait = std::min(Left(deadline), kStopCheckInterval);
        const int ready = poll(&descriptor, 1, static_cast<int>(wait.count()));
        if (ready < 0 && errno != EINTR) {
            return false;
        }
        if (ready <= 0) {
            continue;
        }
        const ssize_t count = read(input, buffer.data(), buffer.size());
        if (count == 0) {
            return true;
        }
        if (count > 0) {
            // What fits is kept: a marker in the same part as the excess still counts.
            const std::size_t taken =
                std::min(static_cast<std::size_t>(count), limit - output.size());
            output.append(buffer.data(), taken);
            if (taken < static_cast<std::size_t>(count)) {
                return false;
            }
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
    const Invocation& invocation, const std::function<void(const std::string&)>& received) const {
    const RunStopWatch stop;
    Result result;
    OutputPipe output;
    if (stop.IsStopped() || !output.IsOpen()) {
        return result;
    }
    std::vector<std::string> argv{program};
    argv.insert(argv.end(), invocation.arguments.begin(), invocation.arguments.end());
    const pid_t pid = HelperProcess::StartWithOutput(argv, output.WritingEnd(),
                                                     ConverterEnvironment(), invocation.handedOver);
    output.CloseWritingEnd();
    if (pid < 0) {
        return result;
    }
    ChildProcess converter(pid);
    const Clock::time_point deadline = Clock::now() + timeLimit;
    if (!ReadOutput(output.ReadingEnd(), deadline, stop, invocation.outputLimit, result.output,
                    received) ||
        stop.IsStopped()) {
        return result;
    }
    if (const std::optional<int> status = converter.WaitForExit(Left(deadline))) {
        result.exited = WIFEXITED(*status);
        result.exitCode = result.exited ? WEXITSTATUS(*status) : -1;
    }
    return result;
}

ImageConverterProcess::Stop::Stop() {
    ++stopsHeld;
    ++stopsMade;
}

ImageConverterProcess::Stop::~Stop() {
    --stopsHeld;
}

ImageConverterProcess::Stop ImageConverterProcess::StopAll() {
    return Stop();
}
