#include "platform/linux/WlrootsBackend.h"

#include "platform/linux/SwaybgReplacement.h"

void WlrootsBackend::ShowWallpaper(const std::string& bitmapPath) {
    SwaybgReplacement(bitmapPath).StopEarlier();
}
