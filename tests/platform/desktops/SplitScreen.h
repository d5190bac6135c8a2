#pragma once

#include <string>

#include "tests/platform/PlatformTestSupport.h"

namespace desktop_test {

// Two RandR monitors side by side, tops aligned, on the test's X screen (DISPLAY) while it
// lives; then the one of before. The server must run with -noreset: it would otherwise reset
// when xrandr, its only client, leaves, and the monitors would go with it.
class SplitScreen final {
public:
    SplitScreen(int leftWidth, int rightWidth, int leftHeight = 400, int rightHeight = 400) {
        platform_test::Shell("xrandr --setmonitor L " + Geometry(leftWidth, leftHeight, 0) +
                             " screen");
        platform_test::Shell("xrandr --setmonitor R " +
                             Geometry(rightWidth, rightHeight, leftWidth) + " none");
    }
    ~SplitScreen() { platform_test::Shell("xrandr --delmonitor L; xrandr --delmonitor R"); }
    SplitScreen(const SplitScreen&) = delete;
    SplitScreen& operator=(const SplitScreen&) = delete;

private:
    static std::string Geometry(int width, int height, int x) {
        return std::to_string(width) + "/100x" + std::to_string(height) + "/100+" +
               std::to_string(x) + "+0";
    }
};

}  // namespace desktop_test
