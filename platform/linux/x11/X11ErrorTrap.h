#pragma once

#include <X11/Xlib.h>

#include <memory>

// Xlib's default error handler ends the process. While a trap exists, errors are recorded
// instead, so that a failing request makes the call fail. The handler is process-wide, so a trap
// lives only as long as one conversation with the server.
class X11ErrorTrap final {
public:
    X11ErrorTrap();
    ~X11ErrorTrap();
    X11ErrorTrap(const X11ErrorTrap&) = delete;
    X11ErrorTrap& operator=(const X11ErrorTrap&) = delete;

    bool ErrorOccurred() const;
    void Clear();

private:
    XErrorHandler previous;
};

struct X11DisplayCloser {
    void operator()(Display* display) const { XCloseDisplay(display); }
};

// A connection of our own, closed when it goes out of scope.
using X11Connection = std::unique_ptr<Display, X11DisplayCloser>;
