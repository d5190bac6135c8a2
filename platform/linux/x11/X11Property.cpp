#include "platform/linux/x11/X11Property.h"

#include <memory>

namespace {

struct XFreeDeleter {
    void operator()(unsigned char* data) const { XFree(data); }
};

}  // namespace

std::optional<unsigned long> ReadSingleLongProperty(Display* display, Window window, Atom property,
                                                    Atom type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* raw = nullptr;
    if (XGetWindowProperty(display, window, property, 0, 1, False, AnyPropertyType, &actualType,
                           &format, &count, &remaining, &raw) != Success) {
        return std::nullopt;
    }
    const std::unique_ptr<unsigned char, XFreeDeleter> data(raw);
    if (actualType != type || format != 32 || count != 1 || !data) {
        return std::nullopt;
    }
    // Format-32 data comes back as an array of long.
    return *reinterpret_cast<const unsigned long*>(data.get());
}
