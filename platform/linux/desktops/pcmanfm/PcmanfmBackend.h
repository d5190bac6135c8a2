#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/ScreenSizedHandover.h"

// LXQt and LXDE: the desktop is drawn by the file manager (pcmanfm-qt or pcmanfm), whose
// command-line client hands the wallpaper to the running desktop.
class PcmanfmBackend final : public DesktopBackend, public PictureDrawer {
public:
    // `mode` is the file manager's --wallpaper-mode name, `spanningMode` the one for a picture
    // of the whole screen made of the monitors' own. A backend that `fillsItself` hands the
    // file manager a picture already filled to the screen, for a file manager that has no mode
    // that fills the screen keeping the aspect ratio; the others get a picture at the monitors'
    // size where that looks the same (ScreenSizedHandover).
    PcmanfmBackend(std::string name, std::string program, std::string mode,
                   std::string spanningMode, bool fillsItself = false);

    static std::unique_ptr<PcmanfmBackend> ForLxqt();
    static std::unique_ptr<PcmanfmBackend> ForLxde();

    const char* Name() const override { return name.c_str(); }
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override {
        return fillsItself ? static_cast<PictureDrawer*>(this) : &screenSized;
    }
    // RandR's.
    std::vector<DesktopMonitor> Monitors() override;
    // The monitors' pictures where they lie on the screen, in one picture beside the bitmap.
    void ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                        const std::string& bitmapPath) override;

    // The X screen's size.
    std::optional<ScreenLayout> Layout() override;
    // The file manager reads a file: it gets the picture only once the bitmap is in place.
    void Show(const RgbImage& picture) override { screenPicture = picture; }
    void Keep(const std::string& bitmapPath) override;
    void TakeBack() override { screenPicture = RgbImage(); }

private:
    void Hand(const std::string& picturePath, const std::string& wallpaperMode);

    std::string name;
    std::string program;
    std::string mode;
    std::string spanningMode;
    bool fillsItself;
    RgbImage screenPicture;
    ScreenSizedHandover screenSized{*this};
};
