#include "platform/CoreInterface.h"

CoreInterface& GetCore() {
    static const std::unique_ptr<CoreInterface> core = CreateCore();
    return *core;
}
