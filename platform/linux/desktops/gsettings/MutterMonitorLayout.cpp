#include "platform/linux/desktops/gsettings/MutterMonitorLayout.h"

#include <gio/gio.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr char kService[] = "org.gnome.Mutter.DisplayConfig";
constexpr char kPath[] = "/org/gnome/Mutter/DisplayConfig";
constexpr char kStateType[] = "(ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv})";
constexpr int kCallTimeoutMs = 2000;

struct VariantDeleter {
    void operator()(GVariant* variant) const { g_variant_unref(variant); }
};
using Variant = std::unique_ptr<GVariant, VariantDeleter>;
struct ObjectDeleter {
    void operator()(gpointer object) const { g_object_unref(object); }
};

Variant CurrentState() {
    const std::unique_ptr<GDBusConnection, ObjectDeleter> bus(
        g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr));
    if (!bus) {
        return nullptr;
    }
    return Variant(g_dbus_connection_call_sync(
        bus.get(), kService, kPath, kService, "GetCurrentState", nullptr,
        G_VARIANT_TYPE(kStateType), G_DBUS_CALL_FLAGS_NONE, kCallTimeoutMs, nullptr, nullptr));
}

bool IsCurrentMode(GVariant* properties) {
    gboolean current = FALSE;
    return g_variant_lookup(properties, "is-current", "b", &current) && current;
}

// Each connector's current mode, in physical pixels.
std::map<std::string, PictureSize> CurrentModes(GVariant* monitors) {
    std::map<std::string, PictureSize> modes;
    for (gsize index = 0; index < g_variant_n_children(monitors); ++index) {
        const Variant monitor(g_variant_get_child_value(monitors, index));
        const Variant modeList(g_variant_get_child_value(monitor.get(), 1));
        const gchar* connector = nullptr;
        g_variant_get_child(monitor.get(), 0, "(&ssss)", &connector, nullptr, nullptr, nullptr);
        for (gsize at = 0; at < g_variant_n_children(modeList.get()); ++at) {
            gint32 width = 0;
            gint32 height = 0;
            GVariant* properties = nullptr;
            g_variant_get_child(modeList.get(), at, "(&siidd@ad@a{sv})", nullptr, &width, &height,
                                nullptr, nullptr, nullptr, &properties);
            const Variant owned(properties);
            if (IsCurrentMode(properties)) {
                modes[connector] = {width, height};
            }
        }
    }
    return modes;
}

// Transforms 1, 3, 5 and 7 turn the monitor a quarter (with or without a flip).
constexpr bool TurnsQuarter(guint32 transform) {
    return transform % 2 == 1;
}

// One of the compositor's logical monitors: its place in the layout, and the connectors that
// show it.
struct LogicalMonitor {
    int x = 0;
    int y = 0;
    double scale = 1;
    guint32 transform = 0;
    std::vector<std::string> connectors;
};

std::vector<LogicalMonitor> LogicalMonitors(GVariant* logicalMonitors) {
    std::vector<LogicalMonitor> found;
    for (gsize index = 0; index < g_variant_n_children(logicalMonitors); ++index) {
        const Variant logical(g_variant_get_child_value(logicalMonitors, index));
        LogicalMonitor monitor;
        gint32 x = 0;
        gint32 y = 0;
        g_variant_get_child(logical.get(), 0, "i", &x);
        g_variant_get_child(logical.get(), 1, "i", &y);
        g_variant_get_child(logical.get(), 2, "d", &monitor.scale);
        g_variant_get_child(logical.get(), 3, "u", &monitor.transform);
        monitor.x = x;
        monitor.y = y;
        const Variant shownOn(g_variant_get_child_value(logical.get(), 5));
        for (gsize at = 0; at < g_variant_n_children(shownOn.get()); ++at) {
            const gchar* connector = nullptr;
            g_variant_get_child(shownOn.get(), at, "(&ssss)", &connector, nullptr, nullptr,
                                nullptr);
            monitor.connectors.emplace_back(connector);
        }
        found.push_back(std::move(monitor));
    }
    return found;
}

// The mode's size as the monitor shows it, turned with it.
std::optional<PictureSize> ShownSize(const std::map<std::string, PictureSize>& modes,
                                     const std::string& connector, guint32 transform) {
    const auto mode = modes.find(connector);
    if (mode == modes.end()) {
        return std::nullopt;
    }
    const PictureSize size = mode->second;
    return TurnsQuarter(transform) ? PictureSize{size.height, size.width} : size;
}

// In the logical layout mode (1) positions count logical pixels, a monitor's physical ones
// divided by its scale; in the physical one (2, also older compositors') physical pixels.
bool LaysOutLogicalPixels(GVariant* properties) {
    guint32 mode = 2;
    return g_variant_lookup(properties, "layout-mode", "u", &mode) && mode == 1;
}

// GetCurrentState's answer in the parts read here.
struct State {
    Variant monitors;
    Variant logicalMonitors;
    Variant properties;
};

State PartsOf(GVariant* state) {
    return {Variant(g_variant_get_child_value(state, 1)),
            Variant(g_variant_get_child_value(state, 2)),
            Variant(g_variant_get_child_value(state, 3))};
}

}  // namespace

std::vector<PictureSize> MutterMonitorLayout::MonitorSizes() {
    const Variant answer = CurrentState();
    if (!answer) {
        return {};
    }
    const State state = PartsOf(answer.get());
    const std::map<std::string, PictureSize> modes = CurrentModes(state.monitors.get());
    std::vector<PictureSize> sizes;
    for (const LogicalMonitor& logical : LogicalMonitors(state.logicalMonitors.get())) {
        // Mirrored monitors share a logical one; each shows the picture at its own mode.
        for (const std::string& connector : logical.connectors) {
            if (const auto size = ShownSize(modes, connector, logical.transform)) {
                sizes.push_back(*size);
            }
        }
    }
    return sizes;
}

std::vector<DesktopMonitor> MutterMonitorLayout::Monitors() {
    const Variant answer = CurrentState();
    return answer ? MonitorsIn(answer.get()) : std::vector<DesktopMonitor>();
}

std::vector<DesktopMonitor> MutterMonitorLayout::MonitorsIn(GVariant* currentState) {
    const State state = PartsOf(currentState);
    const std::map<std::string, PictureSize> modes = CurrentModes(state.monitors.get());
    const std::vector<LogicalMonitor> logicalMonitors =
        LogicalMonitors(state.logicalMonitors.get());
    const bool logicalPixels = LaysOutLogicalPixels(state.properties.get());
    double finest = 1;
    for (const LogicalMonitor& logical : logicalMonitors) {
        finest = std::max(finest, logical.scale);
    }
    const double perLayoutPixel = logicalPixels ? finest : 1;
    std::vector<DesktopMonitor> monitors;
    for (const LogicalMonitor& logical : logicalMonitors) {
        if (logical.connectors.empty()) {
            continue;
        }
        const auto size = ShownSize(modes, logical.connectors.front(), logical.transform);
        if (!size || logical.scale <= 0) {
            continue;
        }
        const double perPhysicalPixel = logicalPixels ? finest / logical.scale : 1;
        const auto scaled = [](double value, double factor) {
            return static_cast<int>(std::lround(value * factor));
        };
        monitors.push_back(
            {logical.connectors.front(),
             {scaled(logical.x, perLayoutPixel), scaled(logical.y, perLayoutPixel),
              scaled(size->width, perPhysicalPixel), scaled(size->height, perPhysicalPixel)}});
    }
    std::sort(monitors.begin(), monitors.end(),
              [](const DesktopMonitor& a, const DesktopMonitor& b) {
                  return std::tie(a.area.x, a.area.y) < std::tie(b.area.x, b.area.y);
              });
    return monitors;
}
