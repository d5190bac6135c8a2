#include "platform/CoreInterface.h"

CoreInterface& GetCore() {
    static const std::unique_ptr<CoreInterface> core = CreateCore();
    return *core;
}

void CoreInterface::StartSetWallpaper(const WideString& imagePath,
                                      std::function<void(std::exception_ptr)> done) {
    std::exception_ptr error;
    try {
        SetWallpaper(imagePath);
    } catch (...) {
        error = std::current_exception();
    }
    done(error);
}
