#pragma once

#include <cstdlib>
#include <fstream>
#include <string>

// Points DISPLAY at the X server that the CTest display fixture started for this test.
inline std::string UseFixtureDisplay() {
    const char* file = std::getenv("VORNK_DISPLAY_FILE");
    std::string display;
    if (file != nullptr) {
        std::ifstream(file) >> display;
    }
    if (!display.empty()) {
        setenv("DISPLAY", display.c_str(), 1);
    }
    return display;
}
