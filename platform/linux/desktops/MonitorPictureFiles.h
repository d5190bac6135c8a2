#pragma once

#include <string>
#include <vector>

#include "platform/linux/desktops/DesktopBackend.h"

// "wallpaper-monitor-1.bmp", "wallpaper-monitor-2.bmp", ... beside "wallpaper.bmp": each
// monitor's own picture at its size, for desktops that read a file for each monitor.
class MonitorPictureFiles final {
public:
    // Writes every picture first and puts them all in place only then, so that a failure leaves
    // each file as it was. Their absolute paths, in the pictures' order. Throws CoreError "Can't
    // change desktop wallpaper" when one cannot be written.
    static std::vector<std::string> Replace(const std::vector<MonitorPicture>& pictures,
                                            const std::string& bitmapPath);
    // Once the desktop shows one picture everywhere again: the monitors' files beside
    // `bitmapPath` go, with any that a crash left half written.
    static void RemoveBeside(const std::string& bitmapPath);
};
