#pragma once

#include "platform/linux/DesktopBackend.h"

// Any other X11 session: the root window's background pixmap, published through the
// _XROOTPMAP_ID and ESETROOT_PMAP_ID properties that terminals and docks read, kept after our
// connection closes (RetainPermanent) and freed by the next setter (XKillClient).
class X11RootWindowBackend final : public DesktopBackend {
public:
    const char* Name() const override { return "X11 root window"; }
    void ShowWallpaper(const std::string& bitmapPath) override;
};
