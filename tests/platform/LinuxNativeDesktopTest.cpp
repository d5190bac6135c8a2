#include <gtest/gtest.h>

#include <QLockFile>
#include <QString>

#include <boost/filesystem.hpp>

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/NativeDesktop.h"
#include "platform/remote/RemoteControlClient.h"
#include "tests/platform/PlatformTestSupport.h"

namespace {

using namespace platform_test;

void SetOrUnset(const char* name, const char* value) {
    if (value == nullptr) {
        unsetenv(name);
    } else {
        setenv(name, value, 1);
    }
}

// Puts environment variables back as they were, for the tests that run after in this process.
class RestoredVariables final {
public:
    explicit RestoredVariables(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            saved.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
        }
    }
    ~RestoredVariables() {
        for (const auto& [name, value] : saved) {
            SetOrUnset(name, value ? value->c_str() : nullptr);
        }
    }
    RestoredVariables(const RestoredVariables&) = delete;
    RestoredVariables& operator=(const RestoredVariables&) = delete;

private:
    std::vector<std::pair<const char*, std::optional<std::string>>> saved;
};

TEST(LinuxNativeDesktopTest, NamesThePlatform) {
    EXPECT_STREQ(PlatformName(), "Linux");
}

TEST(LinuxNativeDesktopTest, ApplicationDataFolderFollowsTheXdgRules) {
    const RestoredVariables restored{"XDG_CONFIG_HOME", "HOME"};
    TemporaryFolder folder;
    const std::string configHome = folder / "cfg/h\xC3\xA9";
    const std::string home = folder / "home";
    const std::string relativeHome = "home/u";
    struct Case {
        const char* configHome;
        const char* home;
        std::optional<std::string> expected;
    };
    const Case cases[] = {
        {configHome.c_str(), home.c_str(), configHome},
        {nullptr, home.c_str(), home + "/.config"},
        {"", home.c_str(), home + "/.config"},
        {"relative/cfg", home.c_str(), home + "/.config"},
        {nullptr, nullptr, std::nullopt},
        {"", "", std::nullopt},
        {nullptr, relativeHome.c_str(), std::nullopt},
    };
    for (const Case& c : cases) {
        SetOrUnset("XDG_CONFIG_HOME", c.configHome);
        SetOrUnset("HOME", c.home);
        const auto expected =
            c.expected ? std::optional<WideString>(FromUtf8(*c.expected)) : std::nullopt;
        EXPECT_EQ(GetApplicationDataFolder(), expected)
            << (c.configHome ? c.configHome : "(unset)") << " " << (c.home ? c.home : "(unset)");
    }
}

// The settings folder is created one level below the configuration folder, so a missing one on
// a new account would leave every setting unsaved.
TEST(LinuxNativeDesktopTest, CreateUserFolderMakesTheMissingParentsPrivate) {
    TemporaryFolder folder;
    CreateUserFolder(FromUtf8(folder / "new/account/.config"));
    EXPECT_TRUE(fs::is_directory(folder / "new/account/.config"));
    EXPECT_EQ(fs::status(folder / "new").permissions(), fs::owner_all);
    EXPECT_EQ(fs::status(folder / "new/account/.config").permissions(), fs::owner_all);
    EXPECT_NO_THROW(CreateUserFolder(FromUtf8(folder / "new/account/.config")));
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
    const RestoredVariables restored{"XDG_RUNTIME_DIR", "TMPDIR"};
    TemporaryFolder runtime;
    fs::permissions(runtime.Path(), fs::owner_all);
    setenv("XDG_RUNTIME_DIR", runtime.Path().c_str(), 1);
    const std::string lockFile = runtime / "QWidget-Vornk Wallpaper Changer.lock";

    // A copy that crashed left its lock file behind: the next copy starts anyway.
    EXPECT_EQ(ProbeAnotherCopy("another-copy-crash"), 0);
    EXPECT_TRUE(fs::exists(lockFile));
    // Asking, as the command line does, sees no copy in it and takes nothing.
    EXPECT_FALSE(IsRunningCopyPresent());
    EXPECT_EQ(ProbeAnotherCopy(), 0);
    EXPECT_FALSE(fs::exists(lockFile));  // a copy that ends normally removes its lock

    // This process becomes the running copy; it keeps being told it is the only one.
    EXPECT_FALSE(IsAnotherCopyRunning());
    EXPECT_FALSE(IsAnotherCopyRunning());
    EXPECT_TRUE(IsRunningCopyPresent());
    // Other processes find it, again and again.
    EXPECT_EQ(ProbeAnotherCopy(), 1);
    EXPECT_EQ(ProbeAnotherCopy(), 1);
}

const std::string kLockFileName = "QWidget-Vornk Wallpaper Changer.lock";

std::string PrivateTemporaryFolderName() {
    return "vornk-wallpaper-changer-" + std::to_string(getuid());
}

TEST(LinuxNativeDesktopTest, WithoutARuntimeFolderTheLockIsInAPrivateFolderInTheTemporaryFolder) {
    const RestoredVariables restored{"XDG_RUNTIME_DIR", "TMPDIR"};
    unsetenv("XDG_RUNTIME_DIR");
    const TemporaryFolder temporary;
    setenv("TMPDIR", temporary.Path().c_str(), 1);
    EXPECT_EQ(ProbeAnotherCopy("another-copy-crash"), 0);
    const std::string folder = temporary / PrivateTemporaryFolderName();
    EXPECT_TRUE(fs::exists(folder + "/" + kLockFileName));
    EXPECT_EQ(fs::symlink_status(folder).permissions(), fs::owner_all);
    EXPECT_EQ(ProbeAnotherCopy(), 0);
}

// Anybody may create a file in the shared temporary folder, and a runtime folder may be
// misconfigured: a lock that another user has made there, naming a live process, must not keep
// the program from ever starting.
TEST(LinuxNativeDesktopTest, ALockAnotherUserMadeDoesNotKeepTheProgramFromStarting) {
    if (getuid() != 0) {
        GTEST_SKIP() << "making files of another user needs root";
    }
    const RestoredVariables restored{"XDG_RUNTIME_DIR", "TMPDIR"};
    const TemporaryFolder temporary;
    setenv("TMPDIR", temporary.Path().c_str(), 1);
    const TemporaryFolder othersRuntime;
    const struct {
        const char* what;
        std::string squattedFolder;
        bool runtimeIsTheOthers;
    } cases[] = {
        {"the runtime folder is another user's", othersRuntime.Path().string(), true},
        {"another user took our folder's name", temporary / PrivateTemporaryFolderName(), false},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.what);
        SetOrUnset("XDG_RUNTIME_DIR",
                   row.runtimeIsTheOthers ? othersRuntime.Path().c_str() : nullptr);
        fs::create_directories(row.squattedFolder);
        fs::permissions(row.squattedFolder, fs::owner_all);
        const std::string lockFile = row.squattedFolder + "/" + kLockFileName;
        // Held by this live process, as another user's copy would hold it.
        QLockFile squatted(QString::fromStdString(lockFile));
        ASSERT_TRUE(squatted.tryLock(0));
        ASSERT_EQ(chown(lockFile.c_str(), 65534, 65534), 0);
        ASSERT_EQ(chown(row.squattedFolder.c_str(), 65534, 65534), 0);

        EXPECT_EQ(ProbeAnotherCopy("another-copy-crash"), 0);
        EXPECT_TRUE(squatted.isLocked());
        if (row.runtimeIsTheOthers) {
            EXPECT_TRUE(fs::exists(temporary / PrivateTemporaryFolderName() + "/" + kLockFileName));
        }
    }
}

}  // namespace
