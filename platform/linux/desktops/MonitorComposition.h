#pragma once

#include <vector>

#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/desktops/DesktopBackend.h"

// One picture out of the monitors' own, for a desktop that takes one picture for all of them:
// each at its monitor's place, black where no monitor is.
class MonitorComposition final {
public:
    // Longer sides are refused: desktops and their graphics cards take no larger picture.
    static constexpr int kLongestSide = 16384;

    // On a screen of `screen`'s size whose origin is the monitors'; parts reaching past it are
    // cut at its edge.
    static RgbImage OnScreen(const std::vector<MonitorPicture>& pictures, PictureSize screen);
    // Just large enough for every monitor, from the leftmost and topmost one's edge: what a
    // desktop spreads over all of them.
    static RgbImage Spanning(const std::vector<MonitorPicture>& pictures);

private:
    // Throws CoreError "Can't change desktop wallpaper" for a side over kLongestSide.
    static RgbImage Compose(const std::vector<MonitorPicture>& pictures, const PictureArea& canvas);
};
