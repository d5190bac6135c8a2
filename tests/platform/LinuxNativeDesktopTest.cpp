#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <string>

#include <sys/wait.h>
#include <unistd.h>

#include "PlatformTestSupport.h"
#include "platform/NativeDesktop.h"

namespace {

using namespace platform_test;

void SetOrUnset(const char* name, const char* value) {
    if (value == nullptr) {
        unsetenv(name);
    } else {
        setenv(name, value, 1);
    }
}

TEST(LinuxNativeDesktopTest, NamesThePlatform) {
    EXPECT_STREQ(PlatformName(), "Linux");
}

TEST(LinuxNativeDesktopTest, ApplicationDataFolderFollowsTheXdgRules) {
    struct Case {
        const char* configHome;
        const char* home;
        std::optional<WideString> expected;
    };
    const Case cases[] = {
        {"/cfg/h\xC3\xA9", "/home/u", u"/cfg/h\u00E9"},
        {nullptr, "/home/u", u"/home/u/.config"},
        {"", "/home/u", u"/home/u/.config"},
        {"relative/cfg", "/home/u", u"/home/u/.config"},
        {nullptr, nullptr, std::nullopt},
        {"", "", std::nullopt},
        {nullptr, "home/u", std::nullopt},
    };
    for (const Case& c : cases) {
        SetOrUnset("XDG_CONFIG_HOME", c.configHome);
        SetOrUnset("HOME", c.home);
        EXPECT_EQ(GetApplicationDataFolder(), c.expected)
            << (c.configHome ? c.configHome : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

TEST(LinuxNativeDesktopTest, CreateFolderMakesOneLevelAndReportsNothing) {
    TemporaryFolder folder;
    CreateFolder(FromUtf8(folder / "Vornk Software"));
    EXPECT_TRUE(fs::is_directory(folder / "Vornk Software"));
    EXPECT_NO_THROW(CreateFolder(FromUtf8(folder / "Vornk Software")));
    EXPECT_NO_THROW(CreateFolder(FromUtf8(folder / "a/b")));
    EXPECT_FALSE(fs::exists(folder / "a"));
}

// A separate copy of the program, as far as the lock is concerned (tests/platform/PlatformProbe).
// Its exit code: 1 when it found another copy running, 0 when not.
int ProbeAnotherCopy(const char* how = "another-copy") {
    const int status = std::system((Quote(VORNK_PLATFORM_PROBE) + " " + how).c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(LinuxNativeDesktopTest, OneCopyPerUserAndAStaleLockDoesNotBlock) {
    TemporaryFolder runtime;
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    const std::string lockFile = runtime / "QWidget-Vornk Wallpaper Changer.lock";

    // A copy that crashed left its lock file behind: the next copy starts anyway.
    EXPECT_EQ(ProbeAnotherCopy("another-copy-crash"), 0);
    EXPECT_TRUE(fs::exists(lockFile));
    EXPECT_EQ(ProbeAnotherCopy(), 0);
    EXPECT_FALSE(fs::exists(lockFile));  // a copy that ends normally removes its lock

    // This process becomes the running copy; it keeps being told it is the only one.
    EXPECT_FALSE(IsAnotherCopyRunning());
    EXPECT_FALSE(IsAnotherCopyRunning());
    // Other processes find it, again and again.
    EXPECT_EQ(ProbeAnotherCopy(), 1);
    EXPECT_EQ(ProbeAnotherCopy(), 1);
}

TEST(LinuxNativeDesktopTest, WithoutARuntimeFolderTheLockIsInTheTemporaryFolderPerUser) {
    unsetenv("XDG_RUNTIME_DIR");
    TemporaryFolder temporary;
    setenv("TMPDIR", temporary.Path().c_str(), 1);
    EXPECT_EQ(ProbeAnotherCopy("another-copy-crash"), 0);
    EXPECT_TRUE(fs::exists(
        temporary / ("QWidget-Vornk Wallpaper Changer-" + std::to_string(getuid()) + ".lock")));
}

}  // namespace
