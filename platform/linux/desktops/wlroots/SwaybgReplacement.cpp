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

std::string Joined(const std::vector<std::string>& argv) {
    std::string joined;
    for (const std::string& argument : argv) {
        joined += argument;
        joined += '\0';
    }
    return joined;
}

bool IsOurs(const fs::path& process) {
    struct stat status {};
    return stat(process.c_str(), &status) == 0 && status.st_uid == getuid();
}

// Processes of this user with exactly this command line.
std::vector<pid_t> RunningCopies(const std::vector<std::string>& argv) {
    const std::string wanted = Joined(argv);
    std::vector<pid_t> found;
    boost::system::error_code error;
    for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        if (IsOurs(it->path()) && CommandLineOf(it->path()) == wanted) {
            found.push_back(static_cast<pid_t>(std::stol(name)));
        }
    }
    return found;
}

}  // namespace

// An absolute path starts with '/', so swaybg cannot take it for an option.
SwaybgReplacement::SwaybgReplacement(const std::string& bitmapPath)
    : argv{"swaybg",
           "--output",
           "*",
           "--mode",
           "fill",
           "--image",
           fs::absolute(fs::path(bitmapPath)).string()},
      earlier(RunningCopies(argv)),
      started(HelperProcess::StartDetached(argv)) {
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
