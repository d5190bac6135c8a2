#include "platform/linux/desktops/X11DesktopMonitors.h"

#include "platform/linux/desktops/SessionEnvironment.h"
#include "platform/linux/x11/X11MonitorLayout.h"

std::vector<DesktopMonitor> X11DesktopMonitors::Query() {
    const X11MonitorLayout layout = X11MonitorLayout::Query();
    std::vector<DesktopMonitor> monitors;
    for (std::size_t index = 0; index < layout.areas.size(); ++index) {
        monitors.push_back({layout.areaNames.at(index), layout.areas[index]});
    }
    return monitors;
}

std::vector<DesktopMonitor> X11DesktopMonitors::InX11Session() {
    return SessionEnvironment::FromProcess().IsX11Session() ? Query()
                                                            : std::vector<DesktopMonitor>();
}
