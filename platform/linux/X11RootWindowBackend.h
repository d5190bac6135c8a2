#pragma once

#include "platform/linux/DesktopBackend.h"

// Any other X11 session: the root window's background pixmap, published through the
// _XROOTPMAP_ID and ESETROOT_PMAP_ID properties that terminals and docks read, kept after our
// connection closes (RetainPermanent) and freed by the next setter (XKillClient).
class X11RootWindowBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "X11 root window"; }
    // Reads the bitmap back; the core hands over the drawn picture instead (below).
    void ShowWallpaper(const std::string& bitmapPath) override;
    // The default screen's size.
    std::optional<PictureSize> DrawnPictureSize() override;
    void ShowDrawnPicture(const std::string& bitmapPath, const RgbImage& picture) override;
};
