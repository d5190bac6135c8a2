#include "platform/linux/desktops/wlroots/WlrootsBackend.h"

#include "platform/linux/desktops/wlroots/SwaybgReplacement.h"

void WlrootsBackend::ShowWallpaper(const std::string& bitmapPath) {
    SwaybgReplacement(bitmapPath).StopEarlier();
}
