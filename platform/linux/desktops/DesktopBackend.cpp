#include "platform/linux/desktops/DesktopBackend.h"

#include "platform/linux/desktops/MonitorComposition.h"

void DesktopBackend::ShowOnMonitors(const std::vector<MonitorPicture>& pictures,
                                    const std::string& bitmapPath) {
    PictureDrawer* drawer = Drawer();
    const std::optional<ScreenLayout> layout = drawer ? drawer->Layout() : std::nullopt;
    if (!layout) {
        ShowWallpaper(bitmapPath);
        return;
    }
    drawer->Show(MonitorComposition::OnScreen(pictures, layout->size));
    drawer->Keep(bitmapPath);
}
