#include "platform/linux/desktops/pcmanfm/PcmanfmBackend.h"

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <utility>

#include "platform/linux/change/HelperProcess.h"
#include "platform/linux/desktops/MonitorComposition.h"
#include "platform/linux/desktops/ScreenPictureFile.h"
#include "platform/linux/desktops/X11DesktopMonitors.h"
#include "platform/linux/x11/X11MonitorLayout.h"

namespace fs = boost::filesystem;

PcmanfmBackend::PcmanfmBackend(std::string name, std::string program, std::string mode,
                               std::string spanningMode, bool fillsItself)
    : name(std::move(name)),
      program(std::move(program)),
      mode(std::move(mode)),
      spanningMode(std::move(spanningMode)),
      fillsItself(fillsItself) {}

// pcmanfm-qt 1.2 ignores "zoom" and "fill", "stretch" distorts and "fit" leaves bars: it gets
// the picture at the screen's size. "center" shows it unscaled, so that each monitor of a wider
// screen shows its middle without distortion.
std::unique_ptr<PcmanfmBackend> PcmanfmBackend::ForLxqt() {
    return std::make_unique<PcmanfmBackend>("LXQt", "pcmanfm-qt", "center", "center", true);
}

// "crop" fills the screen keeping the aspect ratio; "screen" spreads one picture over all the
// monitors.
std::unique_ptr<PcmanfmBackend> PcmanfmBackend::ForLxde() {
    return std::make_unique<PcmanfmBackend>("LXDE", "pcmanfm", "crop", "screen");
}

void PcmanfmBackend::ShowWallpaper(const std::string& bitmapPath) {
    Hand(bitmapPath, mode);
}

std::vector<DesktopMonitor> PcmanfmBackend::Monitors() {
    return X11DesktopMonitors::Query();
}

void PcmanfmBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                    const std::string& bitmapPath) {
    const std::optional<ScreenLayout> screen = Layout();
    if (!screen) {
        FailToShowWallpaper();
    }
    Hand(ScreenPictureFile::Replace(MonitorComposition::OnScreen(pictures, screen->size),
                                    bitmapPath),
         spanningMode);
}

void PcmanfmBackend::Hand(const std::string& picturePath, const std::string& wallpaperMode) {
    const fs::path plain = fs::absolute(fs::path(picturePath));
    // The desktop keeps a scaled copy keyed on the path string and would show it again for the
    // same path, new content or not. The same file under another spelling of its path draws
    // the new content; the plain path then is what the desktop remembers.
    const fs::path respelled = plain.parent_path() / "." / plain.filename();
    for (const fs::path& path : {respelled, plain}) {
        if (!HelperProcess::Run(
                {program, "--set-wallpaper", path.string(), "--wallpaper-mode", wallpaperMode})) {
            FailToShowWallpaper();
        }
    }
    ScreenPictureFile::RemoveUnlessShown(picturePath);
}

std::optional<ScreenLayout> PcmanfmBackend::Layout() {
    return X11MonitorLayout::Query().Screen();
}

void PcmanfmBackend::Keep(const std::string& bitmapPath) {
    ShowWallpaper(ScreenPictureFile::Replace(screenPicture, bitmapPath));
}
