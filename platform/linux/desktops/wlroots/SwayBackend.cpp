#include "platform/linux/desktops/wlroots/SwayBackend.h"

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/change/HelperProcess.h"
#include "platform/linux/desktops/MonitorPictureFiles.h"
#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/wlroots/SwayOutputs.h"
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

// Replaces the link in one step, so that sway never finds it missing. The first monitor's link
// is the one picture's, "vornk-wallpaper.bmp"; the others are numbered from 2.
fs::path LinkInRuntimeFolder(const std::string& bitmapPath, std::size_t monitor = 0) {
    const char* runtimeFolder = std::getenv("XDG_RUNTIME_DIR");
    if (runtimeFolder == nullptr || *runtimeFolder != '/') {
        FailToShowWallpaper();
    }
    std::string name = "vornk-wallpaper";
    if (monitor != 0) {
        name += '-';
        name += std::to_string(monitor + 1);
    }
    const fs::path link = fs::path(runtimeFolder) / (name + ".bmp");
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

// Outputs and the links they show, in one swaymsg: sway runs commands separated by ';' in
// turn. Output names come from sway, but go back through its word expansion all the same.
bool SetBackgrounds(const std::vector<std::pair<std::string, fs::path>>& backgrounds) {
    std::vector<std::string> argv{"swaymsg"};
    for (const auto& [output, link] : backgrounds) {
        if (output != "*" && !IsInertForSway(output)) {
            return false;
        }
        if (argv.size() > 1) {
            argv.push_back(";");
        }
        argv.insert(argv.end(), {"output", output, "bg", link.string(), "fill"});
    }
    return HelperProcess::Run(argv);
}

// sway stops its own swaybg before it starts the next, which leaves the screen blank for a
// moment; ours, started first, covers that moment. sway's own then shows the same picture,
// should ours end.
void ReplaceBackgrounds(SwaybgReplacement& ours,
                        const std::vector<std::pair<std::string, fs::path>>& backgrounds) {
    if (!SetBackgrounds(backgrounds)) {
        ours.Abandon();
        FailToShowWallpaper();
    }
    ours.StopEarlier();
}

}  // namespace

// A background for all outputs replaces those each output had of its own, in sway's
// configuration as well.
void SwayBackend::ShowWallpaper(const std::string& bitmapPath) {
    if (!fs::exists(fs::path(bitmapPath))) {
        FailToShowWallpaper();  // sway reports success for a file it cannot open
    }
    SwaybgReplacement ours(bitmapPath);
    ReplaceBackgrounds(ours, {{"*", LinkInRuntimeFolder(bitmapPath)}});
    ScreenPictureFile::RemoveUnlessShown(bitmapPath);
    MonitorPictureFiles::RemoveBeside(bitmapPath);
}

// In the physical pixels a background fills.
std::vector<PictureSize> SwayBackend::OutputSizes() {
    std::vector<PictureSize> sizes;
    for (const SwayOutput& output : SwayOutputs::Query()) {
        sizes.push_back({output.area.width, output.area.height});
    }
    return sizes;
}

std::vector<DesktopMonitor> SwayBackend::Monitors() {
    std::vector<DesktopMonitor> monitors;
    for (SwayOutput& output : SwayOutputs::Query()) {
        monitors.push_back({std::move(output.name), output.area});
    }
    return monitors;
}

void SwayBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                 const std::string& bitmapPath) {
    const std::vector<std::string> files = MonitorPictureFiles::Replace(pictures, bitmapPath);
    std::vector<std::pair<std::string, std::string>> outputPictures;
    std::vector<std::pair<std::string, fs::path>> backgrounds;
    for (std::size_t index = 0; index < pictures.size(); ++index) {
        outputPictures.emplace_back(pictures[index].monitor.name, files[index]);
        backgrounds.emplace_back(pictures[index].monitor.name,
                                 LinkInRuntimeFolder(files[index], index));
    }
    SwaybgReplacement ours(outputPictures);
    ReplaceBackgrounds(ours, backgrounds);
    ScreenPictureFile::RemoveUnlessShown(files.front());
}
