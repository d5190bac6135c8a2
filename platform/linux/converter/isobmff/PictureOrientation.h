#pragma once

#include "platform/linux/converter/RgbImage.h"

// The rotation ("irot") and mirroring ("imir") an ISO base media picture asks for, applied in
// that order.
struct PictureOrientation {
    int anticlockwiseQuarterTurns = 0;
    enum class Mirror { None, TopAndBottom, LeftAndRight } mirror = Mirror::None;
};

RgbImage Oriented(RgbImage image, PictureOrientation orientation);
