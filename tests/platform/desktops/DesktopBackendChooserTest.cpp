#include <gtest/gtest.h>

#include <map>
#include <string>

#include "platform/linux/desktops/DesktopBackendChooser.h"

namespace {

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
