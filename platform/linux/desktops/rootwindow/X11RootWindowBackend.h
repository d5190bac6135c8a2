#pragma once

#include <cstdint>
#include <memory>

#include "platform/linux/desktops/DesktopBackend.h"

// Any other X11 session: the root window's background pixmap, published through the
// _XROOTPMAP_ID and ESETROOT_PMAP_ID properties that terminals and docks read, kept after our
// connection closes (RetainPermanent) and freed by the next setter (KillClient). The picture of
// before stays on the server until the new one is kept, so that it can be shown again.
class X11RootWindowBackend final : public DesktopBackend, public PictureDrawer {
public:
    X11RootWindowBackend();
    ~X11RootWindowBackend() override;

    const char* Name() const override { return "X11 root window"; }
    // Reached only when the display could not say its size (Size).
    void ShowWallpaper(const std::string& bitmapPath) override;
    PictureDrawer* Drawer() override { return this; }
    std::vector<DesktopMonitor> Monitors() override;
    PictureDrawer* ComposingDrawer() override { return this; }

    // The default screen's size.
    std::optional<ScreenLayout> Layout() override;
    // The connection, the new pixmap and the memory shared with the server.
    void Prepare() override;
    void Show(const RgbImage& picture) override;
    void Keep(const std::string& bitmapPath) override;
    void TakeBack() override;

private:
    struct Canvas;

    std::unique_ptr<Canvas> canvas;  // from Prepare until Show, which closes its connection
    std::uint32_t previous = 0;      // the pixmap shown before Show, if it is still on the server
    std::uint32_t shown = 0;         // ours, from Show
};
