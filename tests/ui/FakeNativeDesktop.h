#pragma once

#include <cstdint>
#include <vector>

// The native handles that BringNativeWindowToFront was given, oldest first.
std::vector<std::uintptr_t>& WindowsBroughtToFront();
