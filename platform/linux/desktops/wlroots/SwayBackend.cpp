#include "platform/linux/desktops/wlroots/SwayBackend.h"

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <cstdlib>
#include <string>

#include "platform/linux/change/HelperProcess.h"
#include "platform/linux/desktops/wlroots/SwaybgReplacement.h"

namespace fs = boost::filesystem;

namespace {

// sway puts the file name of a background through shell-style word expansion, command
// substitution included, so no path of ours may reach it as it is. It gets a link of a fixed
// name in the user's runtime folder instead, whose path holds only these characters.
bool IsInertForSway(const std::string& path) {
    for (const char c : path) {
        const bool inert = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == '/' || c == '.' || c == '_' || c == '-';
        if (!inert) {
            return false;
        }
    }
    return !path.empty();
}

// Replaces the link in one step, so that sway never finds it missing.
fs::path LinkInRuntimeFolder(const std::string& bitmapPath) {
    const char* runtimeFolder = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeFolder == nullptr || *runtimeFolder != '/') {
        FailToShowWallpaper();
    }
    const fs::path link = fs::path(runtimeFolder) / "vornk-wallpaper.bmp";
    if (!IsInertForSway(link.string())) {
        FailToShowWallpaper();
    }
    const fs::path temporary =
        fs::path(runtimeFolder) / fs::unique_path("vornk-wallpaper-%%%%%%%%.bmp");
    boost::system::error_code error;
    fs::create_symlink(fs::absolute(fs::path(bitmapPath)), temporary, error);
    if (!error) {
        fs::rename(temporary, link, error);
    }
    if (error) {
        fs::remove(temporary, error);
        FailToShowWallpaper();
    }
    return link;
}

}  // namespace

void SwayBackend::ShowWallpaper(const std::string& bitmapPath) {
    if (!fs::exists(fs::path(bitmapPath))) {
        FailToShowWallpaper();  // sway reports success for a file it cannot open
    }
    const fs::path link = LinkInRuntimeFolder(bitmapPath);
    // sway stops its own swaybg before it starts the next, which leaves the screen blank for a
    // moment; ours, started first, covers that moment. sway's own then shows the same picture,
    // should ours end.
    SwaybgReplacement ours(bitmapPath);
    if (!HelperProcess::Run({"swaymsg", "output", "*", "bg", link.string(), "fill"})) {
        ours.Abandon();
        FailToShowWallpaper();
    }
    ours.StopEarlier();
}
