#pragma once

#include "tests/app/ScreenReader.h"

// KWin's active screen (tests/support/KWinScreenCapture.h).
class KWinScreenshot final : public ScreenReader {
public:
    std::vector<QColor> Colours(const std::vector<QPoint>& points) override;
};
