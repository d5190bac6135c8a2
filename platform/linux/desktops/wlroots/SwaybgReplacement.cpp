#include "platform/linux/desktops/wlroots/SwaybgReplacement.h"

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <iterator>

#include "platform/linux/change/HelperProcess.h"
#include "platform/linux/desktops/DesktopBackend.h"

namespace fs = boost::filesystem;

namespace {

// swaybg ends at once when it finds no compositor or no layer-shell; one still running after
// this time has drawn its picture.
constexpr std::chrono::milliseconds kSettleTime{1000};

std::string CommandLineOf(const fs::path& process) {
    std::ifstream in((process / "cmdline").string(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What each argument of a command line is, from /proc's NUL-separated form.
std::vector<std::string> Arguments(const std::string& commandLine) {
    std::vector<std::string> arguments;
    std::size_t start = 0;
    for (std::size_t end; (end = commandLine.find('\0', start)) != std::string::npos;
         start = end + 1) {
        arguments.push_back(commandLine.substr(start, end - start));
    }
    return arguments;
}

// A swaybg that shows pictures from `folder` and nothing else: one of ours, a picture of
// before or of another mode (one picture, or one for each output).
bool ShowsOnlyFrom(const std::vector<std::string>& arguments, const fs::path& folder) {
    if (arguments.empty() || arguments.front() != "swaybg") {
        return false;
    }
    bool showsAny = false;
    for (std::size_t index = 1; index + 1 < arguments.size(); ++index) {
        if (arguments[index] == "--image") {
            if (fs::path(arguments[index + 1]).parent_path() != folder) {
                return false;
            }
            showsAny = true;
        }
    }
    return showsAny;
}

bool IsOurs(const fs::path& process) {
    struct stat status {};
    return stat(process.c_str(), &status) == 0 && status.st_uid == getuid();
}

// This user's swaybg processes that show pictures from `folder` only.
std::vector<pid_t> RunningFrom(const fs::path& folder) {
    std::vector<pid_t> found;
    boost::system::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        if (IsOurs(it->path()) && ShowsOnlyFrom(Arguments(CommandLineOf(it->path())), folder)) {
            found.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return found;
}

std::string Absolute(const std::string& path) {
    return fs::absolute(fs::path(path)).string();
}

}  // namespace

// An absolute path starts with '/', so swaybg cannot take it for an option.
SwaybgReplacement::SwaybgReplacement(const std::string& bitmapPath)
    : argv{"swaybg", "--output", "*", "--mode", "fill", "--image", Absolute(bitmapPath)} {
    Start();
}

SwaybgReplacement::SwaybgReplacement(
    const std::vector<std::pair<std::string, std::string>>& pictures)
    : argv{"swaybg"} {
    for (const auto& [output, picture] : pictures) {
        argv.insert(argv.end(),
                    {"--output", output, "--mode", "fill", "--image", Absolute(picture)});
    }
    Start();
}

void SwaybgReplacement::Start() {
    earlier = RunningFrom(fs::path(argv.back()).parent_path());
    started = HelperProcess::StartDetached(argv);
    if (started < 0 || HelperProcess::WaitForExit(started, kSettleTime)) {
        FailToShowWallpaper();
    }
}

void SwaybgReplacement::StopEarlier() {
    for (const pid_t process : earlier) {
        HelperProcess::Stop(process);
    }
    earlier.clear();
}

void SwaybgReplacement::Abandon() {
    HelperProcess::Stop(started);
}
