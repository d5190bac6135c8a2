#pragma once

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstddef>
#include <cstdint>

class X11Connection;

// Pixels in memory shared with the X server (MIT-SHM), which copies them into a drawable itself:
// a screen's picture does not cross the connection. Only where the server has the extension with
// segments handed over as descriptors (version 1.2) and runs on this machine; elsewhere nothing
// is attached, and the pixels must go over the connection.
class X11SharedMemoryImage final {
public:
    // `size` bytes, zeroed; asks the server to attach them (one wait for its answer).
    X11SharedMemoryImage(X11Connection& connection, std::size_t size);
    // Detaches: the server keeps the pages of the copies asked for until it has made them.
    ~X11SharedMemoryImage();
    X11SharedMemoryImage(const X11SharedMemoryImage&) = delete;
    X11SharedMemoryImage& operator=(const X11SharedMemoryImage&) = delete;

    bool IsAttached() const { return segment != 0; }
    std::uint8_t* Data() const { return data; }

    // The whole image, `width` x `height` pixels of the drawable's depth laid out as the server's
    // ZPixmap rows, into the drawable's top-left corner. The pixels must stay as they are from
    // now on.
    xcb_void_cookie_t PutInto(xcb_drawable_t drawable, xcb_gcontext_t gc, std::uint16_t width,
                              std::uint16_t height, std::uint8_t depth) const;

private:
    bool Attach(int descriptor);

    X11Connection& connection;
    std::size_t size;
    std::uint8_t* data = nullptr;
    xcb_shm_seg_t segment = 0;
};
