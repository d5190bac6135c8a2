#pragma once

#include "model/Exception.h"

// Raised by the platform layer and by the selection algorithms.
class CoreError : public Exception {
public:
    using Exception::Exception;
};
