#include "tests/ui/FakeNativeDesktop.h"

#include "platform/NativeDesktop.h"

std::vector<std::uintptr_t>& WindowsBroughtToFront() {
    static std::vector<std::uintptr_t> handles;
    return handles;
}

const char* PlatformName() {
    return "Linux";
}

void BringNativeWindowToFront(std::uintptr_t nativeHandle) {
    WindowsBroughtToFront().push_back(nativeHandle);
}
