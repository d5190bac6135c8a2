#include "platform/linux/desktops/DesktopBackendChooser.h"

#include "platform/linux/desktops/gsettings/CinnamonBackend.h"
#include "platform/linux/desktops/gsettings/GnomeBackend.h"
#include "platform/linux/desktops/gsettings/MateBackend.h"
#include "platform/linux/desktops/pcmanfm/PcmanfmBackend.h"
#include "platform/linux/desktops/plasma/KdeBackend.h"
#include "platform/linux/desktops/rootwindow/X11RootWindowBackend.h"
#include "platform/linux/desktops/wlroots/SwayBackend.h"
#include "platform/linux/desktops/wlroots/WlrootsBackend.h"
#include "platform/linux/desktops/xfce/XfceBackend.h"

namespace {

template <typename Backend>
std::unique_ptr<DesktopBackend> Make() {
    return std::make_unique<Backend>();
}

// XDG_CURRENT_DESKTOP names and the DESKTOP_SESSION names of older display managers.
auto IsAnyDesktop(std::initializer_list<const char*> desktops) {
    return [names = std::vector<const char*>(desktops)](const SessionEnvironment& session) {
        for (const char* name : names) {
            if (session.IsDesktop(name)) {
                return true;
            }
        }
        return false;
    };
}

}  // namespace

// One row per desktop, most specific first; add a row to add a desktop. The order:
//   1. GNOME family  2. Cinnamon  3. MATE  4. XFCE  5. KDE Plasma  6. LXQt  7. LXDE
//   (each by its name in XDG_CURRENT_DESKTOP or DESKTOP_SESSION, so a variable left over from
//   another session never outranks the desktop that runs),
//   8. sway (SWAYSOCK), 9. any other Wayland compositor (WAYLAND_DISPLAY), which swaybg serves
//   when it is a wlroots one, 10. the X11 root window, last: it fits any X11 session.
const std::vector<DesktopBackendChooser::Row>& DesktopBackendChooser::Table() {
    static const std::vector<Row> table{
        {"GNOME", IsAnyDesktop({"GNOME", "Ubuntu", "Unity", "Budgie", "Pantheon"}),
         Make<GnomeBackend>},
        {"Cinnamon", IsAnyDesktop({"X-Cinnamon", "Cinnamon"}), Make<CinnamonBackend>},
        {"MATE", IsAnyDesktop({"MATE"}), Make<MateBackend>},
        {"XFCE", IsAnyDesktop({"XFCE", "xfce4"}), Make<XfceBackend>},
        {"KDE Plasma", IsAnyDesktop({"KDE", "plasma", "plasmawayland"}), Make<KdeBackend>},
        {"LXQt", IsAnyDesktop({"LXQt"}), [] { return PcmanfmBackend::ForLxqt(); }},
        {"LXDE", IsAnyDesktop({"LXDE", "Lubuntu"}), [] { return PcmanfmBackend::ForLxde(); }},
        {"sway", [](const SessionEnvironment& s) { return s.Has("SWAYSOCK"); }, Make<SwayBackend>},
        {"wlroots (swaybg)", [](const SessionEnvironment& s) { return s.Has("WAYLAND_DISPLAY"); },
         Make<WlrootsBackend>},
        {"X11 root window", [](const SessionEnvironment& s) { return s.IsX11Session(); },
         Make<X11RootWindowBackend>},
    };
    return table;
}

const DesktopBackendChooser::Row* DesktopBackendChooser::Find(const SessionEnvironment& session) {
    for (const Row& row : Table()) {
        if (row.fits(session)) {
            return &row;
        }
    }
    return nullptr;
}

const char* DesktopBackendChooser::NameFor(const SessionEnvironment& session) {
    const Row* row = Find(session);
    return row != nullptr ? row->name : nullptr;
}

std::unique_ptr<DesktopBackend> DesktopBackendChooser::Choose(const SessionEnvironment& session) {
    const Row* row = Find(session);
    if (row == nullptr) {
        FailToShowWallpaper();
    }
    return row->create();
}
