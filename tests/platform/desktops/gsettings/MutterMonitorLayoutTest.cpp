// The compositor's monitors read from answers of GetCurrentState as GNOME Shell gives them.
#include <gtest/gtest.h>

#include <gio/gio.h>

#include <string>
#include <vector>

#include "platform/linux/desktops/gsettings/MutterMonitorLayout.h"

namespace {

// A 2560x1600 monitor at scale 2 (with a mode it does not use), a 1920x1080 one turned a
// quarter at scale 1, given right of it first, and a third connector mirroring the first.
std::vector<DesktopMonitor> MonitorsWithLayoutMode(int layoutMode) {
    const std::string rightX = layoutMode == 1 ? "1280" : "2560";
    const std::string state =
        "(uint32 7,"
        " [(('DP-1', 'v', 'p', 's'), [('a', 1920, 1200, 60.0, 1.0, [1.0], @a{sv} {}),"
        "                             ('b', 2560, 1600, 60.0, 2.0, [1.0, 2.0],"
        "                              {'is-current': <true>})], @a{sv} {}),"
        "  (('HDMI-1', 'v', 'p', 's'), [('c', 1920, 1080, 60.0, 1.0, [1.0],"
        "                               {'is-current': <true>})], @a{sv} {}),"
        "  (('DP-2', 'v', 'p', 's'), [('d', 2560, 1600, 60.0, 1.0, [1.0],"
        "                             {'is-current': <true>})], @a{sv} {})],"
        " [(" +
        rightX +
        ", 0, 1.0, uint32 1, false, [('HDMI-1', 'v', 'p', 's')], @a{sv} {}),"
        "  (0, 0, 2.0, uint32 0, true, [('DP-1', 'v', 'p', 's'), ('DP-2', 'v', 'p', 's')],"
        "   @a{sv} {})],"
        " {'layout-mode': <uint32 " +
        std::to_string(layoutMode) + ">})";
    GError* error = nullptr;
    GVariant* answer =
        g_variant_parse(G_VARIANT_TYPE("(ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv})"),
                        state.c_str(), nullptr, nullptr, &error);
    EXPECT_EQ(error, nullptr) << (error ? error->message : "");
    if (answer == nullptr) {
        g_clear_error(&error);
        return {};
    }
    std::vector<DesktopMonitor> monitors = MutterMonitorLayout::MonitorsIn(answer);
    g_variant_unref(answer);
    return monitors;
}

std::string Describe(const std::vector<DesktopMonitor>& monitors) {
    std::string text;
    for (const DesktopMonitor& monitor : monitors) {
        const PictureArea& area = monitor.area;
        text += monitor.name + " " + std::to_string(area.x) + "," + std::to_string(area.y) + " " +
                std::to_string(area.width) + "x" + std::to_string(area.height) + "; ";
    }
    return text;
}

// Laid out in logical pixels, every monitor is counted in the finest one's: the scaled monitor
// keeps its physical pixels and the other gets twice its own. Laid out in physical pixels,
// each has its own.
TEST(MutterMonitorLayoutTest, MonitorsLieInTheFinestMonitorsPixelsInReadingOrder) {
    EXPECT_EQ(Describe(MonitorsWithLayoutMode(1)), "DP-1 0,0 2560x1600; HDMI-1 2560,0 2160x3840; ");
    EXPECT_EQ(Describe(MonitorsWithLayoutMode(2)), "DP-1 0,0 2560x1600; HDMI-1 2560,0 1080x1920; ");
}

}  // namespace
