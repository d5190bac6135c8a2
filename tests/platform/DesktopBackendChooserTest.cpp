#include <gtest/gtest.h>

#include <map>
#include <string>

#include "DesktopTestSupport.h"
#include "platform/linux/DesktopBackendChooser.h"

namespace {

TEST(DesktopBackendChooserTest, PicksTheFirstBackendThatFitsTheSession) {
    using Variables = std::map<std::string, std::string>;
    struct Case {
        Variables variables;
        const char* backend;  // nullptr: none fits
    };
    const Case cases[] = {
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DISPLAY", ":0"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "ubuntu:GNOME"}, {"WAYLAND_DISPLAY", "wayland-0"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "Budgie:GNOME"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "Pantheon"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "Unity"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "gnome"}}, "GNOME"},
        {{{"DESKTOP_SESSION", "ubuntu"}}, "GNOME"},
        {{{"XDG_CURRENT_DESKTOP", "GNOME-Flashback:GNOME"}, {"DISPLAY", ":0"}}, "GNOME"},
        {{{"DISPLAY", ":1"}}, "X11 root window"},
        {{{"XDG_CURRENT_DESKTOP", "i3"}, {"DISPLAY", ":0"}}, "X11 root window"},
        {{{"XDG_CURRENT_DESKTOP", "GNOMEish"}, {"DISPLAY", ":0"}}, "X11 root window"},
        {{{"DISPLAY", ":0"}, {"XDG_SESSION_TYPE", "wayland"}}, nullptr},
        {{{"XDG_CURRENT_DESKTOP", "GNOME"}, {"DESKTOP_SESSION", ""}}, "GNOME"},
        {{{"DISPLAY", ""}}, nullptr},
        {{}, nullptr},
    };
    for (const Case& c : cases) {
        const SessionEnvironment session(c.variables);
        const std::string described = platform_test::Describe(c.variables);
        const char* chosen = DesktopBackendChooser::NameFor(session);
        if (c.backend == nullptr) {
            EXPECT_EQ(chosen, nullptr) << described << (chosen ? chosen : "");
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

TEST(DesktopBackendChooserTest, TheRootWindowComesLast) {
    const auto& table = DesktopBackendChooser::Table();
    ASSERT_FALSE(table.empty());
    EXPECT_STREQ(table.back().name, "X11 root window");
}

TEST(SessionEnvironmentTest, ReadsTheProcessEnvironment) {
    setenv("XDG_CURRENT_DESKTOP", "KDE:Plasma", 1);
    unsetenv("DESKTOP_SESSION");
    const SessionEnvironment session = SessionEnvironment::FromProcess();
    EXPECT_TRUE(session.IsDesktop("plasma"));
    EXPECT_TRUE(session.IsDesktop("KDE"));
    EXPECT_FALSE(session.IsDesktop("KD"));
    EXPECT_EQ(session.Get("XDG_CURRENT_DESKTOP"), "KDE:Plasma");
    EXPECT_FALSE(session.Has("DESKTOP_SESSION"));
}

}  // namespace
