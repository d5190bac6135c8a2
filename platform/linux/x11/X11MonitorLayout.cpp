#include "platform/linux/x11/X11MonitorLayout.h"

#include <xcb/randr.h>

#include <algorithm>
#include <tuple>

#include "platform/linux/x11/X11Connection.h"

namespace {

// Screen resources as they are now, without probing the outputs, came with RandR 1.3.
bool HasCurrentScreenResources(xcb_connection_t* connection) {
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || !randr->present) {
        return false;
    }
    const auto version = WaitForReply(connection, xcb_randr_query_version_reply,
                                      xcb_randr_query_version(connection, 1, 3));
    return version && (version->major_version > 1 ||
                       (version->major_version == 1 && version->minor_version >= 3));
}

// Outputs that show something: connected and driven by a CRTC. Queries that fail find nothing.
std::vector<std::string> ActiveOutputNames(xcb_connection_t* connection, xcb_window_t root) {
    if (!HasCurrentScreenResources(connection)) {
        return {};
    }
    const auto resources = WaitForReply(connection, xcb_randr_get_screen_resources_current_reply,
                                        xcb_randr_get_screen_resources_current(connection, root));
    if (!resources) {
        return {};
    }
    const xcb_randr_output_t* outputs =
        xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int outputCount = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    // Every question first, then the answers: one round trip for all the outputs.
    std::vector<xcb_randr_get_output_info_cookie_t> questions;
    for (int index = 0; index < outputCount; ++index) {
        questions.push_back(
            xcb_randr_get_output_info(connection, outputs[index], resources->config_timestamp));
    }
    std::vector<std::string> names;
    for (const xcb_randr_get_output_info_cookie_t question : questions) {
        const auto output = WaitForReply(connection, xcb_randr_get_output_info_reply, question);
        if (output && output->connection == XCB_RANDR_CONNECTION_CONNECTED &&
            output->crtc != XCB_NONE) {
            names.emplace_back(
                reinterpret_cast<const char*>(xcb_randr_get_output_info_name(output.get())),
                static_cast<std::size_t>(xcb_randr_get_output_info_name_length(output.get())));
        }
    }
    return names;
}

bool HasMonitors(xcb_connection_t* connection) {
    const auto version = WaitForReply(connection, xcb_randr_query_version_reply,
                                      xcb_randr_query_version(connection, 1, 5));
    return version && (version->major_version > 1 ||
                       (version->major_version == 1 && version->minor_version >= 5));
}

struct NamedArea {
    PictureArea area;
    xcb_atom_t name = XCB_ATOM_NONE;
};

// The active monitors in reading order; none without RandR 1.5.
std::vector<NamedArea> MonitorAreas(xcb_connection_t* connection, xcb_window_t root) {
    const xcb_query_extension_reply_t* randr = xcb_get_extension_data(connection, &xcb_randr_id);
    if (randr == nullptr || !randr->present || !HasMonitors(connection)) {
        return {};
    }
    const auto reply = WaitForReply(connection, xcb_randr_get_monitors_reply,
                                    xcb_randr_get_monitors(connection, root, 1));
    if (!reply) {
        return {};
    }
    std::vector<NamedArea> areas;
    for (auto monitor = xcb_randr_get_monitors_monitors_iterator(reply.get()); monitor.rem;
         xcb_randr_monitor_info_next(&monitor)) {
        areas.push_back(
            {{monitor.data->x, monitor.data->y, monitor.data->width, monitor.data->height},
             monitor.data->name});
    }
    std::sort(areas.begin(), areas.end(), [](const NamedArea& a, const NamedArea& b) {
        return std::tie(a.area.x, a.area.y) < std::tie(b.area.x, b.area.y);
    });
    return areas;
}

// Every question first, then the answers; a name that cannot be read is empty.
std::vector<std::string> AtomNames(xcb_connection_t* connection,
                                   const std::vector<NamedArea>& areas) {
    std::vector<xcb_get_atom_name_cookie_t> questions;
    for (const NamedArea& area : areas) {
        questions.push_back(xcb_get_atom_name(connection, area.name));
    }
    std::vector<std::string> names;
    for (const xcb_get_atom_name_cookie_t question : questions) {
        const auto reply = WaitForReply(connection, xcb_get_atom_name_reply, question);
        names.push_back(reply ? std::string(xcb_get_atom_name_name(reply.get()),
                                            static_cast<std::size_t>(
                                                xcb_get_atom_name_name_length(reply.get())))
                              : std::string());
    }
    return names;
}

// _NET_NUMBER_OF_DESKTOPS as the window manager publishes it; one without a window manager.
int WorkspaceCount(X11Connection& connection, xcb_window_t root) {
    const xcb_atom_t property = connection.Atom("_NET_NUMBER_OF_DESKTOPS", true);
    if (property == XCB_ATOM_NONE) {
        return 1;
    }
    const std::uint32_t workspaces =
        connection.ReadSingleProperty(root, property, XCB_ATOM_CARDINAL).value_or(1);
    constexpr std::uint32_t kMostWorkspaces = 64;
    return workspaces >= 1 && workspaces <= kMostWorkspaces ? static_cast<int>(workspaces) : 1;
}

}  // namespace

X11MonitorLayout X11MonitorLayout::Query() {
    X11MonitorLayout layout;
    X11Connection connection;
    const xcb_screen_t* const screen = connection.Screen();
    if (screen == nullptr) {
        return layout;
    }
    layout.screen = connection.ScreenNumber();
    layout.width = screen->width_in_pixels;
    layout.height = screen->height_in_pixels;
    layout.monitors = ActiveOutputNames(connection.Get(), screen->root);
    const std::vector<NamedArea> areas = MonitorAreas(connection.Get(), screen->root);
    for (const NamedArea& area : areas) {
        layout.areas.push_back(area.area);
    }
    layout.areaNames = AtomNames(connection.Get(), areas);
    layout.workspaces = WorkspaceCount(connection, screen->root);
    return layout;
}

std::optional<ScreenLayout> X11MonitorLayout::Screen() const {
    if (width <= 0 || height <= 0) {
        return std::nullopt;
    }
    return ScreenLayout{{width, height}, areas};
}
