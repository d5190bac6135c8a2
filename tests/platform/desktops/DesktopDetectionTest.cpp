// Which backend the real-world sessions get.
#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/linux/desktops/DesktopBackendChooser.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/platform/desktops/DesktopTestSupport.h"

namespace {

using platform_test::Describe;

using Variables = std::map<std::string, std::string>;

TEST(DesktopDetectionTest, EachSessionGetsItsOwnDesktopsBackend) {
    struct Case {
        Variables variables;
        const char* backend;  // nullptr: none fits
    };
    const Case cases[] = {
        // What the display managers of the common distributions set.
        {{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"WAYLAND_DISPLAY", "wayland-0"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DISPLAY", ":0"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}, {"DISPLAY", ":0"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "Pantheon"}, {"DISPLAY", ":0"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "Unity"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "gnome"}}, "GNOME"},
        {{{"DESKTOP_SESSION", "ubuntu"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "GNOME-Flashback:GNOME"}, {"DISPLAY", ":0"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DESKTOP_SESSION", ""}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "X-Cinnamon"}, {"DISPLAY", ":0"}}, "Cinnamon"},
        {{{"DESKTOP_SESSION", "cinnamon"}, {"DISPLAY", ":0"}}, "Cinnamon"},
        {{{"XDG_CURRENT_DESKTOP", "MATE"}, {"DISPLAY", ":0"}}, "MATE"},
        {{{"XDG_CURRENT_DESKTOP", "XFCE"}, {"DISPLAY", ":0"}}, "XFCE"},
        {{{"DESKTOP_SESSION", "xfce"}, {"DISPLAY", ":0"}}, "XFCE"},
        {{{"XDG_CURRENT_DESKTOP", "KDE"}, {"KDE_SESSION_VERSION", "5"}, {"DISPLAY", ":0"}},
         "KDE Plasma"},
        {{{"XDG_CURRENT_DESKTOP", "KDE"},
          {"KDE_SESSION_VERSION", "6"},
          {"WAYLAND_DISPLAY", "wayland-0"},
          {"DISPLAY", ":1"}},
         "KDE Plasma"},
        {{{"XDG_CURRENT_DESKTOP", "LXQt"}, {"DISPLAY", ":0"}}, "LXQt"},
        {{{"XDG_CURRENT_DESKTOP", "LXDE"}, {"DISPLAY", ":0"}}, "LXDE"},
        {{{"XDG_CURRENT_DESKTOP", "sway"},
          {"SWAYSOCK", "/run/user/1000/sway-ipc.1000.1.sock"},
          {"WAYLAND_DISPLAY", "wayland-1"}},
         "sway"},
        {{{"SWAYSOCK", "/run/user/1000/sway-ipc.1000.1.sock"}, {"WAYLAND_DISPLAY", "wayland-1"}},
         "sway"},
        // A Wayland compositor we do not know by name, with and without Xwayland.
        {{{"XDG_CURRENT_DESKTOP", "river"}, {"WAYLAND_DISPLAY", "wayland-1"}}, "wlroots (swaybg)"},
        {{{"WAYLAND_DISPLAY", "wayland-0"}}, "wlroots (swaybg)"},
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}}, "wlroots (swaybg)"},
        {{{"DISPLAY", ":0"}}, "X11 root window"},
        {{{"XDG_CURRENT_DESKTOP", "i3"}, {"DISPLAY", ":0"}}, "X11 root window"},
        // A variable left over from another session does not outrank the desktop that runs.
        {{{"XDG_CURRENT_DESKTOP", "XFCE"}, {"SWAYSOCK", "/tmp/stale.sock"}, {"DISPLAY", ":0"}},
         "XFCE"},
        // Names are whole names, not prefixes.
        {{{"XDG_CURRENT_DESKTOP", "MATEish"}, {"DISPLAY", ":0"}}, "X11 root window"},
        {{{"XDG_CURRENT_DESKTOP", "GNOMEish"}, {"DISPLAY", ":0"}}, "X11 root window"},
        {{{"XDG_CURRENT_DESKTOP", "KDE"}}, "KDE Plasma"},
        // An X display inside a Wayland session is Xwayland, whose root window nobody sees.
        {{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "wayland"}}, nullptr},
        {{{"DISPLAY", ""}}, nullptr},
        {{}, nullptr},
    };
    for (const Case& c : cases) {
        const SessionEnvironment session(c.variables);
        const std::string described = Describe(c.variables);
        const char* chosen = DesktopBackendChooser::NameFor(session);
        if (c.backend == nullptr) {
            EXPECT_EQ(chosen, nullptr) << described;
            SCOPED_TRACE(described);
            desktop_test::ExpectCantChangeWallpaper(
                [&] { DesktopBackendChooser::Choose(session); });
        } else {
            ASSERT_NE(chosen, nullptr) << described;
            EXPECT_STREQ(chosen, c.backend) << described;
            EXPECT_STREQ(DesktopBackendChooser::Choose(session)->Name(), c.backend) << described;
        }
    }
}

TEST(DesktopDetectionTest, EveryRowCreatesTheBackendItNames) {
    for (const DesktopBackendChooser::Row& row : DesktopBackendChooser::Table()) {
        EXPECT_STREQ(row.create()->Name(), row.name);
    }
}

TEST(DesktopDetectionTest, TheSwaySocketComesFromTheProcessEnvironment) {
    setenv("SWAYSOCK", "/run/user/1000/sway-ipc.sock", 1);
    setenv("WAYLAND_DISPLAY", "wayland-1", 1);
    unsetenv("XDG_CURRENT_DESKTOP");
    unsetenv("DESKTOP_SESSION");
    EXPECT_STREQ(DesktopBackendChooser::NameFor(SessionEnvironment::FromProcess()), "sway");
}

}  // namespace
