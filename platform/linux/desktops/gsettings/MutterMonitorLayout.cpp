#include "platform/linux/desktops/gsettings/MutterMonitorLayout.h"

#include <gio/gio.h>

#include <map>
#include <memory>
#include <string>

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

}  // namespace

std::vector<PictureSize> MutterMonitorLayout::MonitorSizes() {
    const Variant state = CurrentState();
    if (!state) {
        return {};
    }
    const Variant monitors(g_variant_get_child_value(state.get(), 1));
    const Variant logicalMonitors(g_variant_get_child_value(state.get(), 2));
    const std::map<std::string, PictureSize> modes = CurrentModes(monitors.get());
    std::vector<PictureSize> sizes;
    for (gsize index = 0; index < g_variant_n_children(logicalMonitors.get()); ++index) {
        const Variant logical(g_variant_get_child_value(logicalMonitors.get(), index));
        guint32 transform = 0;
        g_variant_get_child(logical.get(), 3, "u", &transform);
        const Variant shownOn(g_variant_get_child_value(logical.get(), 5));
        // Mirrored monitors share a logical one; each shows the picture at its own mode.
        for (gsize at = 0; at < g_variant_n_children(shownOn.get()); ++at) {
            const gchar* connector = nullptr;
            g_variant_get_child(shownOn.get(), at, "(&ssss)", &connector, nullptr, nullptr,
                                nullptr);
            const auto mode = modes.find(connector);
            if (mode != modes.end()) {
                const PictureSize size = mode->second;
                sizes.push_back(TurnsQuarter(transform) ? PictureSize{size.height, size.width}
                                                        : size);
            }
        }
    }
    return sizes;
}
