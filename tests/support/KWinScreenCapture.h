#pragma once

#include <QImage>

// KWin's screen, through its screenshot interface on the session bus, which answers any caller
// only when KWin runs with KWIN_SCREENSHOT_NO_PERMISSION_CHECKS=1. The rows come through a pipe.
// A null picture when KWin could not be asked.
class KWinScreenCapture final {
public:
    static QImage ActiveScreen();
    // Every output, as they lie.
    static QImage Workspace();
};
