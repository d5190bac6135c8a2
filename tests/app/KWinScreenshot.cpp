#include "tests/app/KWinScreenshot.h"

#include "tests/support/KWinScreenCapture.h"

std::vector<QColor> KWinScreenshot::Colours(const std::vector<QPoint>& points) {
    return ColoursIn(KWinScreenCapture::ActiveScreen(), points);
}
