#pragma once

#include <vector>

#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/desktops/DesktopBackend.h"

using GVariant = struct _GVariant;

// The monitors of a GNOME Wayland session, as its compositor reports them on the session bus
// (org.gnome.Mutter.DisplayConfig): the size of each in the physical pixels of its current mode,
// turned with the monitor. There is no X server to ask there, and Xwayland's screen may be
// scaled.
class MutterMonitorLayout final {
public:
    // Empty when the compositor cannot be reached.
    static std::vector<PictureSize> MonitorSizes();
    // Each monitor (mirrored ones count once, named after the first connector) where it lies,
    // left to right, then top to bottom, in pixels of the most finely scaled monitor: each gets
    // at least its physical pixels in a picture spread over all of them. Empty when the
    // compositor cannot be reached.
    static std::vector<DesktopMonitor> Monitors();
    // Monitors, from the compositor's answer to GetCurrentState.
    static std::vector<DesktopMonitor> MonitorsIn(GVariant* currentState);
};
