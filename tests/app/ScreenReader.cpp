#include "tests/app/ScreenReader.h"

#include <QtGlobal>
#include <stdexcept>

#include "tests/app/GnomeShellScreenshot.h"
#include "tests/app/KWinScreenshot.h"
#include "tests/app/ProgramUnderTest.h"

std::unique_ptr<ScreenReader> ScreenReader::ForSession() {
    if (qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        return std::make_unique<RootWindowReader>(qEnvironmentVariable("DISPLAY"));
    }
    const QString desktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    if (desktop == QLatin1String("GNOME")) {
        return std::make_unique<GnomeShellScreenshot>();
    }
    if (desktop == QLatin1String("KDE")) {
        return std::make_unique<KWinScreenshot>();
    }
    throw std::runtime_error("no screenshot call known for this Wayland desktop");
}

std::vector<QColor> ScreenReader::ColoursIn(const QImage& picture,
                                            const std::vector<QPoint>& points) {
    std::vector<QColor> colours;
    for (const QPoint& point : points) {
        if (!picture.valid(point)) {
            return {};
        }
        colours.push_back(picture.pixelColor(point));
    }
    return colours;
}
