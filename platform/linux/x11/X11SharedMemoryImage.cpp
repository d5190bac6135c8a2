#include "platform/linux/x11/X11SharedMemoryImage.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>

#include "platform/linux/x11/X11Connection.h"

namespace {

bool HandsOverDescriptors(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* shm = xcb_get_extension_data(connection, &xcb_shm_id);
    if (shm == nullptr || !shm->present) {
        return false;
    }
    const auto version =
        WaitForReply(connection, xcb_shm_query_version_reply, xcb_shm_query_version(connection));
    return version && (version->major_version > 1 ||
                       (version->major_version == 1 && version->minor_version >= 2));
}

}  // namespace

X11SharedMemoryImage::X11SharedMemoryImage(X11Connection& connection, std::size_t size)
    : connection(connection), size(size) {
    if (size == 0 || !connection.IsUsable() || !HandsOverDescriptors(connection.Get())) {
        return;
    }
    const int descriptor = memfd_create("vornk-screen-picture", MFD_CLOEXEC);
    if (descriptor < 0) {
        return;
    }
    void* mapped = ftruncate(descriptor, static_cast<off_t>(size)) == 0
                       ? mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, descriptor, 0)
                       : MAP_FAILED;
    if (mapped == MAP_FAILED) {
        close(descriptor);
        return;
    }
    data = static_cast<std::uint8_t*>(mapped);
    // Faulted in now, where the kernel supports it: an image made ahead of its pixels then costs
    // nothing more once they come.
    madvise(data, size, MADV_POPULATE_WRITE);
    if (!Attach(descriptor)) {
        munmap(data, size);
        data = nullptr;
    }
}

// xcb closes the descriptor once it is sent, whatever the server answers.
bool X11SharedMemoryImage::Attach(int descriptor) {
    xcb_connection_t* const c = connection.Get();
    const xcb_shm_seg_t asked = xcb_generate_id(c);
    xcb_generic_error_t* const error =
        xcb_request_check(c, xcb_shm_attach_fd_checked(c, asked, descriptor, 1));
    if (error != nullptr) {
        std::free(error);
        return false;
    }
    segment = asked;
    return true;
}

X11SharedMemoryImage::~X11SharedMemoryImage() {
    if (segment != 0) {
        xcb_shm_detach(connection.Get(), segment);
    }
    if (data != nullptr) {
        munmap(data, size);
    }
}

xcb_void_cookie_t X11SharedMemoryImage::PutInto(xcb_drawable_t drawable, xcb_gcontext_t gc,
                                                std::uint16_t width, std::uint16_t height,
                                                std::uint8_t depth) const {
    return xcb_shm_put_image_checked(connection.Get(), drawable, gc, width, height, 0, 0, width,
                                     height, 0, 0, depth, XCB_IMAGE_FORMAT_Z_PIXMAP, 0, segment, 0);
}
