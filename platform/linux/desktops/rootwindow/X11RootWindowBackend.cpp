#include "platform/linux/desktops/rootwindow/X11RootWindowBackend.h"

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "platform/linux/converter/RgbImage.h"
#include "platform/linux/desktops/X11DesktopMonitors.h"
#include "platform/linux/x11/X11Connection.h"
#include "platform/linux/x11/X11MonitorLayout.h"
#include "platform/linux/x11/X11PixelFormat.h"
#include "platform/linux/x11/X11SharedMemoryImage.h"

namespace {

// The request's own fields and the length field BIG-REQUESTS adds.
constexpr std::size_t kPutImageHeaderBytes = 28;

// How the server lays out a row of pixels of the screen's depth (ZPixmap).
struct ServerRows {
    int bytesPerPixel = 0;
    std::size_t stride = 0;
    bool mostSignificantFirst = false;
};

// Whole-byte pixels only: the layouts of TrueColor screens.
std::optional<ServerRows> RowsOfDepth(const xcb_setup_t* setup, std::uint8_t depth, int width) {
    for (xcb_format_iterator_t format = xcb_setup_pixmap_formats_iterator(setup); format.rem > 0;
         xcb_format_next(&format)) {
        if (format.data->depth != depth) {
            continue;
        }
        const int bits = format.data->bits_per_pixel;
        const int pad = format.data->scanline_pad;
        if (bits == 0 || bits % 8 != 0 || bits > 32 || pad == 0 || pad % 8 != 0) {
            return std::nullopt;
        }
        const std::size_t rowBits =
            static_cast<std::size_t>(width) * static_cast<std::size_t>(bits);
        const std::size_t padBits = static_cast<std::size_t>(pad);
        return ServerRows{bits / 8, (rowBits + padBits - 1) / padBits * padBits / 8,
                          setup->image_byte_order == XCB_IMAGE_ORDER_MSB_FIRST};
    }
    return std::nullopt;
}

const xcb_visualtype_t* RootVisual(const xcb_screen_t& screen) {
    for (xcb_depth_iterator_t depth = xcb_screen_allowed_depths_iterator(&screen); depth.rem > 0;
         xcb_depth_next(&depth)) {
        for (xcb_visualtype_iterator_t visual = xcb_depth_visuals_iterator(depth.data);
             visual.rem > 0; xcb_visualtype_next(&visual)) {
            if (visual.data->visual_id == screen.root_visual) {
                return visual.data;
            }
        }
    }
    return nullptr;
}

// Palette visuals are long gone from real desktops.
bool IsTrueColour(const xcb_visualtype_t* visual) {
    return visual != nullptr && (visual->_class == XCB_VISUAL_CLASS_TRUE_COLOR ||
                                 visual->_class == XCB_VISUAL_CLASS_DIRECT_COLOR);
}

// The pixmap id a property holds, or none.
xcb_pixmap_t ReadPixmapProperty(X11Connection& connection, xcb_window_t root, xcb_atom_t property) {
    return connection.ReadSingleProperty(root, property, XCB_ATOM_PIXMAP).value_or(XCB_NONE);
}

// The two properties that name the root window's pixmap, by the Esetroot convention.
struct PixmapProperties {
    xcb_atom_t root = XCB_ATOM_NONE;
    xcb_atom_t esetroot = XCB_ATOM_NONE;
};

// Made where missing: they are about to be set.
std::optional<PixmapProperties> InternPixmapProperties(X11Connection& connection) {
    const std::vector<xcb_atom_t> atoms =
        connection.Atoms({"_XROOTPMAP_ID", "ESETROOT_PMAP_ID"}, false);
    if (atoms[0] == XCB_ATOM_NONE || atoms[1] == XCB_ATOM_NONE) {
        return std::nullopt;
    }
    return PixmapProperties{atoms[0], atoms[1]};
}

// The pixmap of the previous setter (ours or another Esetroot-style program), which stays on
// the server with RetainPermanent, or none. The Esetroot convention: only when both properties
// name the same pixmap. One whose owner is gone is no one's to free: its id may be reused, even
// by us.
xcb_pixmap_t PreviousPixmap(X11Connection& connection, xcb_window_t root,
                            const PixmapProperties& properties) {
    const xcb_pixmap_t previous = ReadPixmapProperty(connection, root, properties.root);
    if (previous == XCB_NONE ||
        previous != ReadPixmapProperty(connection, root, properties.esetroot)) {
        return XCB_NONE;
    }
    const bool alive = WaitForReply(connection.Get(), xcb_get_geometry_reply,
                                    xcb_get_geometry(connection.Get(), previous)) != nullptr;
    return alive ? previous : XCB_NONE;
}

// Publishes the pixmap as the root window's background (none: the server's own).
void SetBackground(X11Connection& connection, xcb_window_t root, xcb_pixmap_t pixmap,
                   const PixmapProperties& properties) {
    xcb_connection_t* const c = connection.Get();
    for (const xcb_atom_t property : {properties.root, properties.esetroot}) {
        connection.Expect(pixmap == XCB_NONE ? xcb_delete_property_checked(c, root, property)
                                             : xcb_change_property_checked(
                                                   c, XCB_PROP_MODE_REPLACE, root, property,
                                                   XCB_ATOM_PIXMAP, 32, 1, &pixmap));
    }
    connection.Expect(xcb_change_window_attributes_checked(c, root, XCB_CW_BACK_PIXMAP, &pixmap));
    connection.Expect(xcb_clear_area_checked(c, 0, root, 0, 0, 0, 0));
}

// As well as it can: the screen is the only witness of a failure here. The server has done it
// when this returns.
void RestoreBackground(xcb_pixmap_t pixmap) {
    X11Connection connection;
    const xcb_screen_t* const screen = connection.Screen();
    const std::optional<PixmapProperties> properties =
        screen ? InternPixmapProperties(connection) : std::nullopt;
    if (properties) {
        SetBackground(connection, screen->root, pixmap, *properties);
    }
}

// Frees a retained pixmap with everything its (closed) connection left on the server. One that
// is gone already needs nothing.
void FreeRetained(xcb_pixmap_t pixmap) {
    if (pixmap == XCB_NONE) {
        return;
    }
    const X11Connection connection;
    if (connection.IsUsable()) {
        xcb_kill_client(connection.Get(), pixmap);
    }
}

// Rows [first, first + count) of the picture in the server's layout, from `out` on.
void PackRows(const RgbImage& picture, const ServerRows& rows, const X11PixelFormat& format,
              int first, int count, std::uint8_t* out) {
    for (int y = 0; y < count; ++y) {
        format.PackRow(picture.Pixel(0, first + y), picture.width, rows.bytesPerPixel,
                       rows.mostSignificantFirst, out + rows.stride * static_cast<std::size_t>(y));
    }
}

// The picture over the connection in bands of rows, each as large as the server takes in one
// request. False when not even one row fits.
bool SendInBands(X11Connection& connection, xcb_pixmap_t pixmap, xcb_gcontext_t gc,
                 const xcb_screen_t& screen, const ServerRows& rows, const X11PixelFormat& format,
                 const RgbImage& picture) {
    xcb_connection_t* const c = connection.Get();
    const std::size_t largestRequest = std::size_t(xcb_get_maximum_request_length(c)) * 4;
    if (largestRequest < kPutImageHeaderBytes + rows.stride) {
        return false;
    }
    const int rowsPerRequest = static_cast<int>(std::min<std::size_t>(
        (largestRequest - kPutImageHeaderBytes) / rows.stride, std::size_t(picture.height)));
    // Zeroed once: the rows overwrite their pixels, and the padding after them stays zero.
    std::vector<std::uint8_t> band(rows.stride * static_cast<std::size_t>(rowsPerRequest), 0);
    for (int top = 0; top < picture.height; top += rowsPerRequest) {
        const int count = std::min(rowsPerRequest, picture.height - top);
        PackRows(picture, rows, format, top, count, band.data());
        connection.Expect(xcb_put_image_checked(
            c, XCB_IMAGE_FORMAT_Z_PIXMAP, pixmap, gc, static_cast<std::uint16_t>(picture.width),
            static_cast<std::uint16_t>(count), 0, static_cast<std::int16_t>(top), 0,
            screen.root_depth, static_cast<std::uint32_t>(rows.stride * std::size_t(count)),
            band.data()));
    }
    return true;
}

// The picture into the pixmap: through memory shared with the server where it allows, which
// spares the server reading megabytes from the connection; over the connection otherwise.
bool PutPicture(X11Connection& connection, xcb_pixmap_t pixmap, xcb_gcontext_t gc,
                const X11SharedMemoryImage& shared, const xcb_screen_t& screen,
                const ServerRows& rows, const X11PixelFormat& format, const RgbImage& picture) {
    if (!shared.IsAttached()) {
        return SendInBands(connection, pixmap, gc, screen, rows, format, picture);
    }
    PackRows(picture, rows, format, 0, picture.height, shared.Data());
    connection.Expect(shared.PutInto(pixmap, gc, static_cast<std::uint16_t>(picture.width),
                                     static_cast<std::uint16_t>(picture.height),
                                     screen.root_depth));
    return true;
}

}  // namespace

std::optional<ScreenLayout> X11RootWindowBackend::Layout() {
    return X11MonitorLayout::Query().Screen();
}

std::vector<DesktopMonitor> X11RootWindowBackend::Monitors() {
    return X11DesktopMonitors::Query();
}

void X11RootWindowBackend::ShowWallpaper(const std::string&) {
    FailToShowWallpaper();
}

void X11RootWindowBackend::Keep(const std::string&) {
    FreeRetained(previous);
    previous = 0;
}

void X11RootWindowBackend::TakeBack() {
    RestoreBackground(previous);
    FreeRetained(shown);
    shown = 0;
}

// Everything of a change but the pixels, on a connection of our own: the toolkit's must not end
// up in RetainPermanent mode. Closing the connection before Show frees what it made (close-down
// mode DestroyAll).
struct X11RootWindowBackend::Canvas {
    X11Connection connection;
    const xcb_screen_t* screen = nullptr;
    ServerRows rows;
    X11PixelFormat format{0, 0, 0};
    PixmapProperties properties;
    xcb_pixmap_t pixmap = XCB_NONE;
    xcb_gcontext_t gc = XCB_NONE;
    std::unique_ptr<X11SharedMemoryImage> shared;

    int Width() const { return screen->width_in_pixels; }
    int Height() const { return screen->height_in_pixels; }
};

X11RootWindowBackend::X11RootWindowBackend() = default;
X11RootWindowBackend::~X11RootWindowBackend() = default;

void X11RootWindowBackend::Prepare() {
    if (canvas) {
        return;
    }
    auto made = std::make_unique<Canvas>();
    X11Connection& connection = made->connection;
    made->screen = connection.Screen();
    if (made->screen == nullptr) {
        return;
    }
    const xcb_screen_t& screen = *made->screen;
    const xcb_visualtype_t* const visual = RootVisual(screen);
    const std::optional<ServerRows> rows =
        RowsOfDepth(xcb_get_setup(connection.Get()), screen.root_depth, made->Width());
    if (!IsTrueColour(visual) || !rows) {
        return;
    }
    made->rows = *rows;
    made->format = X11PixelFormat(visual->red_mask, visual->green_mask, visual->blue_mask);
    xcb_connection_t* const c = connection.Get();
    // Their answers come with the properties' instead of after waits of their own.
    xcb_prefetch_maximum_request_length(c);
    xcb_prefetch_extension_data(c, &xcb_shm_id);
    const std::optional<PixmapProperties> properties = InternPixmapProperties(connection);
    if (!properties) {
        return;
    }
    made->properties = *properties;
    // Looked up before anything of ours exists, so that it can never name one of ours.
    previous = PreviousPixmap(connection, screen.root, *properties);

    made->pixmap = xcb_generate_id(c);
    connection.Expect(xcb_create_pixmap_checked(c, screen.root_depth, made->pixmap, screen.root,
                                                static_cast<std::uint16_t>(made->Width()),
                                                static_cast<std::uint16_t>(made->Height())));
    made->gc = xcb_generate_id(c);
    connection.Expect(xcb_create_gc_checked(c, made->gc, made->pixmap, 0, nullptr));
    made->shared = std::make_unique<X11SharedMemoryImage>(
        connection, made->rows.stride * static_cast<std::size_t>(made->Height()));
    canvas = std::move(made);
}

void X11RootWindowBackend::Show(const RgbImage& picture) {
    Prepare();
    if (picture.pixels.empty() || !canvas) {
        FailToShowWallpaper();
    }
    const std::unique_ptr<Canvas> used = std::move(canvas);
    X11Connection& connection = used->connection;
    // The screen may have been resized since it was asked for its size.
    const bool fits = picture.width == used->Width() && picture.height == used->Height();
    const RgbImage scaled = fits ? RgbImage() : ScaleToFill(picture, used->Width(), used->Height());
    const RgbImage& drawn = fits ? picture : scaled;
    if (!PutPicture(connection, used->pixmap, used->gc, *used->shared, *used->screen, used->rows,
                    used->format, drawn)) {
        FailToShowWallpaper();
    }
    xcb_connection_t* const c = connection.Get();
    connection.Expect(xcb_free_gc_checked(c, used->gc));
    SetBackground(connection, used->screen->root, used->pixmap, used->properties);
    if (!connection.AllSucceeded()) {
        FailToShowWallpaper();
    }
    // Keep the pixmap after our connection closes; the next setter frees it with KillClient.
    connection.Expect(xcb_set_close_down_mode_checked(c, XCB_CLOSE_DOWN_RETAIN_PERMANENT));
    if (!connection.AllSucceeded()) {
        FailToShowWallpaper();
    }
    shown = used->pixmap;
}
