#include "platform/linux/x11/X11ErrorTrap.h"

namespace {

bool errorOccurred = false;

int RecordError(Display*, XErrorEvent*) {
    errorOccurred = true;
    return 0;
}

}  // namespace

X11ErrorTrap::X11ErrorTrap() : previous(XSetErrorHandler(RecordError)) {
    errorOccurred = false;
}

X11ErrorTrap::~X11ErrorTrap() {
    XSetErrorHandler(previous);
}

bool X11ErrorTrap::ErrorOccurred() const {
    return errorOccurred;
}

void X11ErrorTrap::Clear() {
    errorOccurred = false;
}
