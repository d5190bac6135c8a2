#pragma once

#include <QTemporaryDir>

#include "tests/app/ScreenReader.h"

// GNOME Shell's screen, through its screenshot call on the session bus, which the shell
// answers for any caller only when it runs with --unsafe-mode. The picture covers every monitor.
class GnomeShellScreenshot final : public ScreenReader {
public:
    std::vector<QColor> Colours(const std::vector<QPoint>& points) override;

private:
    QTemporaryDir folder;
};
