#pragma once

#include <string>

#include "platform/linux/DesktopBackend.h"

// LXQt and LXDE: the desktop is drawn by the file manager (pcmanfm-qt or pcmanfm), whose
// command-line client hands the wallpaper to the running desktop.
class PcmanfmBackend final : public DesktopBackend {
public:
    // `mode` is the file manager's --wallpaper-mode name.
    PcmanfmBackend(std::string name, std::string program, std::string mode);

    static PcmanfmBackend ForLxqt();
    static PcmanfmBackend ForLxde();

    const char* Name() const override { return name.c_str(); }
    void ShowWallpaper(const std::string& bitmapPath) override;

private:
    std::string name;
    std::string program;
    std::string mode;
};
