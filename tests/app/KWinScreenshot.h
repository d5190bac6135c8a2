#pragma once

#include "tests/app/ScreenReader.h"

// KWin's screen, through its screenshot interface on the session bus, which answers any caller
// only when KWin runs with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1. The rows come through a pipe.
class KWinScreenshot final : public ScreenReader {
public:
    std::vector<QColor> Colours(const std::vector<QPoint>& points) override;
};
