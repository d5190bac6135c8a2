#pragma once

#include <vector>

#include "platform/linux/desktops/DesktopBackend.h"

// The monitors of the X screen (DISPLAY) as RandR lays them out, for the desktops of an X11
// session.
class X11DesktopMonitors final {
public:
    // In monitor order; empty without a server or RandR's monitors.
    static std::vector<DesktopMonitor> Query();
    // Query in an X11 session (the process's); none under Wayland, where Xwayland's screen may
    // be scaled and is not what the desktop fills.
    static std::vector<DesktopMonitor> InX11Session();
};
