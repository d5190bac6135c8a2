#include "platform/linux/desktops/rootwindow/X11RootWindowBackend.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <cstdlib>

#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/x11/X11ErrorTrap.h"
#include "platform/linux/x11/X11MonitorLayout.h"
#include "platform/linux/x11/X11PixelFormat.h"
#include "platform/linux/x11/X11Property.h"

namespace {

void KeepProcessAlive(Display*, void* lost) {
    *static_cast<bool*>(lost) = true;
}

// The pixmap id a property holds, or 0.
Pixmap ReadPixmapProperty(Display* display, Window root, Atom property) {
    return static_cast<Pixmap>(
        ReadSingleLongProperty(display, root, property, XA_PIXMAP).value_or(0));
}

// The pixmap of the previous setter (ours or another Esetroot-style program), which stays on
// the server with RetainPermanent, or 0. The Esetroot convention: only when both properties name
// the same pixmap. One whose owner is gone is no one's to free: its id may be reused, even by us.
Pixmap PreviousPixmap(Display* display, Window root, X11ErrorTrap& errors) {
    const Atom rootProperty = XInternAtom(display, "_XROOTPMAP_ID", True);
    const Atom esetrootProperty = XInternAtom(display, "ESETROOT_PMAP_ID", True);
    if (rootProperty == None || esetrootProperty == None) {
        return 0;
    }
    const Pixmap previous = ReadPixmapProperty(display, root, rootProperty);
    if (previous == 0 || previous != ReadPixmapProperty(display, root, esetrootProperty)) {
        return 0;
    }
    Window ignoredRoot;
    int x, y;
    unsigned width, height, border, depth;
    XGetGeometry(display, previous, &ignoredRoot, &x, &y, &width, &height, &border, &depth);
    XSync(display, False);
    const bool alive = !errors.ErrorOccurred();
    errors.Clear();
    return alive ? previous : 0;
}

// Publishes the pixmap as the root window's background (None: the server's own).
void SetBackground(Display* display, Window root, Pixmap pixmap) {
    for (const char* name : {"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}) {
        const Atom property = XInternAtom(display, name, False);
        if (pixmap == None) {
            XDeleteProperty(display, root, property);
            continue;
        }
        const unsigned long value = pixmap;  // format 32 is passed as long
        XChangeProperty(display, root, property, XA_PIXMAP, 32, PropModeReplace,
                        reinterpret_cast<const unsigned char*>(&value), 1);
    }
    XSetWindowBackgroundPixmap(display, root, pixmap);
    XClearWindow(display, root);
}

// Frees a retained pixmap with everything its (closed) connection left on the server.
void FreeRetained(Pixmap pixmap) {
    if (pixmap == 0) {
        return;
    }
    X11ErrorTrap errors;
    const X11Connection display(XOpenDisplay(nullptr));
    if (display) {
        XKillClient(display.get(), pixmap);
        XSync(display.get(), False);
    }
}

bool IsHostOrder(int byteOrder) {
    return byteOrder == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
}

// A client-side image of the picture in the visual's pixel format.
XImage* CreatePixels(Display* display, Visual* visual, int depth, const RgbImage& picture) {
    XImage* image = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                                 static_cast<unsigned>(picture.width),
                                 static_cast<unsigned>(picture.height), 32, 0);
    if (image == nullptr) {
        return nullptr;
    }
    // XDestroyImage frees this with free().
    image->data = static_cast<char*>(
        std::malloc(static_cast<std::size_t>(image->bytes_per_line) * picture.height));
    if (image->data == nullptr) {
        XDestroyImage(image);
        return nullptr;
    }
    const X11PixelFormat format(visual->red_mask, visual->green_mask, visual->blue_mask);
    const bool direct32 = image->bits_per_pixel == 32 && IsHostOrder(image->byte_order);
    for (int y = 0; y < picture.height; ++y) {
        const std::uint8_t* in = picture.Pixel(0, y);
        auto* row = reinterpret_cast<std::uint32_t*>(image->data + y * image->bytes_per_line);
        for (int x = 0; x < picture.width; ++x, in += 3) {
            const unsigned long pixel = format.Pack(in[0], in[1], in[2]);
            if (direct32) {
                row[x] = static_cast<std::uint32_t>(pixel);
            } else {
                XPutPixel(image, x, y, pixel);
            }
        }
    }
    return image;
}

}  // namespace

std::optional<PictureSize> X11RootWindowBackend::Size() {
    return X11MonitorLayout::Query().ScreenSize();
}

void X11RootWindowBackend::ShowWallpaper(const std::string&) {
    FailToShowWallpaper();
}

void X11RootWindowBackend::Keep(const std::string&) {
    FreeRetained(previous);
    previous = 0;
}

void X11RootWindowBackend::TakeBack() {
    X11ErrorTrap errors;
    const X11Connection display(XOpenDisplay(nullptr));
    if (display) {
        SetBackground(display.get(), DefaultRootWindow(display.get()), previous);
        XSync(display.get(), False);
    }
    FreeRetained(shown);
    shown = 0;
}

void X11RootWindowBackend::Show(const RgbImage& picture) {
    if (picture.pixels.empty()) {
        FailToShowWallpaper();
    }

    // Installed first so that it outlives the connection (closing it can report errors too).
    X11ErrorTrap errors;
    bool connectionLost = false;
    // A connection of our own: the toolkit's must not end up in RetainPermanent mode.
    const X11Connection display(XOpenDisplay(nullptr));
    if (!display) {
        FailToShowWallpaper();
    }
    Display* const d = display.get();
    XSetIOErrorExitHandler(d, KeepProcessAlive, &connectionLost);

    const int screen = DefaultScreen(d);
    const Window root = RootWindow(d, screen);
    const int depth = DefaultDepth(d, screen);
    Visual* const visual = DefaultVisual(d, screen);
    if (visual->c_class != TrueColor && visual->c_class != DirectColor) {
        FailToShowWallpaper();  // palette visuals are long gone from real desktops
    }
    const int width = DisplayWidth(d, screen);
    const int height = DisplayHeight(d, screen);
    // The screen may have been resized since it was asked for its size.
    const bool fits = picture.width == width && picture.height == height;
    const RgbImage scaled = fits ? RgbImage() : ScaleToFill(picture, width, height);
    const RgbImage& drawn = fits ? picture : scaled;

    // Looked up before anything of ours exists, so that it can never name one of ours.
    previous = PreviousPixmap(d, root, errors);

    XImage* const pixels = CreatePixels(d, visual, depth, drawn);
    if (pixels == nullptr) {
        FailToShowWallpaper();
    }
    const Pixmap pixmap =
        XCreatePixmap(d, root, static_cast<unsigned>(width), static_cast<unsigned>(height),
                      static_cast<unsigned>(depth));
    const GC gc = XCreateGC(d, pixmap, 0, nullptr);
    XPutImage(d, pixmap, gc, pixels, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XFreeGC(d, gc);
    XDestroyImage(pixels);

    SetBackground(d, root, pixmap);
    XSync(d, False);
    if (errors.ErrorOccurred() || connectionLost) {
        FailToShowWallpaper();  // closing the connection frees what was created (close-down mode
                                // DestroyAll)
    }
    // Keep the pixmap after our connection closes; the next setter frees it with XKillClient.
    XSetCloseDownMode(d, RetainPermanent);
    XSync(d, False);
    if (errors.ErrorOccurred() || connectionLost) {
        FailToShowWallpaper();
    }
    shown = pixmap;
}
