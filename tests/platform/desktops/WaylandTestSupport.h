#pragma once

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>

#include "platform/linux/LinuxCore.h"
#include "tests/platform/desktops/DesktopTestSupport.h"

namespace desktop_test {

// Square pictures on the 1280x720 headless output: only a fill that keeps the aspect ratio
// covers the left and right ends (a fit leaves bars there), and keeps their colour.
inline void ShowInTurn(LinuxCore& core, const platform_test::TemporaryFolder& folder) {
    const std::pair<const char*, const char*> changes[] = {
        {"red", "FF0000"}, {"blue", "0000FF"}, {"red", "FF0000"}};
    for (const auto& [colour, hex] : changes) {
        const std::string image = folder / (std::string(colour) + ".bmp");
        MakeSolidImage(image, colour, 40, 40);
        ExpectShownWithoutGap(core, kWaylandShot, 640, 360, image, colour, hex);
        EXPECT_EQ(PixelOf(kWaylandShot, 100, 20), hex) << colour << " near the corner";
    }
}

inline std::map<std::string, std::string> Session(std::initializer_list<const char*> names) {
    std::map<std::string, std::string> variables;
    for (const char* name : names) {
        variables[name] = std::getenv(name);
    }
    return variables;
}

// The swaybg processes that show a picture from `folder`.
inline int SwaybgCount(const std::string& folder) {
    std::istringstream processes(Capture("ps -C swaybg -o args= || true"));
    int count = 0;
    for (std::string process; std::getline(processes, process);) {
        count += process.find(folder) != std::string::npos ? 1 : 0;
    }
    return count;
}

}  // namespace desktop_test
