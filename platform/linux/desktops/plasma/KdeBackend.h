#pragma once

#include <QString>

#include "platform/linux/desktops/DesktopBackend.h"

// KDE Plasma 5 and 6: a desktop script evaluated by plasmashell over D-Bus
// (org.kde.PlasmaShell.evaluateScript). Only desktops that show a plain image are changed; a
// slideshow or any other wallpaper plugin the user chose is left alone.
class KdeBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "KDE Plasma"; }
    void ShowWallpaper(const std::string& bitmapPath) override;

    // The script that shows the image at `fileUrl` and prints how many desktops it changed.
    static QString Script(const QString& fileUrl);
};
