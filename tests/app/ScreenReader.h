#pragma once

#include <QColor>
#include <QImage>
#include <QPoint>
#include <memory>
#include <vector>

// What a test sees of the screen, read the way the session allows: an X11 root window pixel by
// pixel, a Wayland compositor's screen only through its shell's screenshot call.
class ScreenReader {
public:
    virtual ~ScreenReader() = default;

    // The colours at `points`, in their order; empty when the screen could not be read.
    virtual std::vector<QColor> Colours(const std::vector<QPoint>& points) = 0;

    // For the session of this process's environment: the shell of XDG_CURRENT_DESKTOP when
    // WAYLAND_DISPLAY is set, else the X server of DISPLAY. Throws std::runtime_error for a
    // Wayland shell it cannot read.
    static std::unique_ptr<ScreenReader> ForSession();

protected:
    // Empty when the picture is missing or a point lies outside it.
    static std::vector<QColor> ColoursIn(const QImage& picture, const std::vector<QPoint>& points);
};
