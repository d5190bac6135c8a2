#include "platform/linux/desktops/DesktopBackend.h"

void DesktopBackend::ShowOnMonitors(const std::vector<MonitorPicture>& /*pictures*/,
                                    const std::string& bitmapPath) {
    ShowWallpaper(bitmapPath);
}
