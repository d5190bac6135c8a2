#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/linux/converter/RgbImage.h"

// What an X desktop keys its per-monitor settings on: the X screen number, the names of the
// connected RandR outputs and the number of workspaces.
struct X11MonitorLayout {
    int screen = 0;
    // The X screen's size in pixels, which spans every monitor; zero without a server.
    int width = 0;
    int height = 0;
    std::vector<std::string> monitors;
    // Where the monitors lie on the screen (RandR's monitors, which also name parts of one
    // output), left to right, then top to bottom.
    std::vector<PictureArea> areas;
    // What RandR calls each of them (a monitor of one output's own has the output's name).
    std::vector<std::string> areaNames;
    int workspaces = 1;

    // The layout of the X server named by DISPLAY; no monitors when there is none or it has no
    // RandR.
    static X11MonitorLayout Query();

    // The X screen's size and its monitors; nothing without a server.
    std::optional<ScreenLayout> Screen() const;
};
