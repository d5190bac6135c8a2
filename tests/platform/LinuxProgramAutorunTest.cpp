#include "platform/linux/LinuxProgramAutorun.h"

#include <gtest/gtest.h>

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <chrono>
#include <filesystem>
#include <iterator>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/WaitUntil.h"

namespace fs = std::filesystem;

namespace {

using platform_test::ReadFile;
using platform_test::TemporaryFolder;
using platform_test::WriteFile;

const WideString kName = u"Vornk Wallpaper Changer";
const std::string kProgram = "/opt/vornk/bin/vornk-wallpaper-changer";
const std::string kOurEntry =
    "[Desktop Entry]\n"
    "Type=Application\n"
    "Name=Vornk Wallpaper Changer\n"
    "Exec=\"/opt/vornk/bin/vornk-wallpaper-changer\"\n"
    "Terminal=false\n"
    "X-GNOME-Autostart-enabled=true\n";

// The arguments a desktop runs for the entry, as GLib reads them: the key file's Exec, "%%"
// expanded to '%' (no other field code may occur), then split by the shell rules.
std::optional<std::vector<std::string>> DesktopCommandLine(const fs::path& file) {
    GKeyFile* keys = g_key_file_new();
    std::optional<std::vector<std::string>> arguments;
    gchar* exec = nullptr;
    if (g_key_file_load_from_file(keys, file.c_str(), G_KEY_FILE_NONE, nullptr) &&
        (exec = g_key_file_get_string(keys, "Desktop Entry", "Exec", nullptr)) != nullptr) {
        std::string expanded;
        for (const char* c = exec; *c != '\0'; ++c) {
            if (*c == '%' && *++c != '%') {
                ADD_FAILURE() << "field code in " << exec;
            }
            expanded += *c;
        }
        gchar** argv = nullptr;
        if (g_shell_parse_argv(expanded.c_str(), nullptr, &argv, nullptr)) {
            arguments.emplace(argv, argv + g_strv_length(argv));
            g_strfreev(argv);
        }
    }
    g_free(exec);
    g_key_file_free(keys);
    return arguments;
}

// desktop-file-validate's findings; empty when it accepts the file without a word.
std::string ValidatorComplaints(const fs::path& file) {
    const gchar* argv[] = {"desktop-file-validate", file.c_str(), nullptr};
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = 0;
    GError* error = nullptr;
    std::string complaints;
    if (!g_spawn_sync(nullptr, const_cast<gchar**>(argv), nullptr, G_SPAWN_SEARCH_PATH, nullptr,
                      nullptr, &out, &err, &status, &error)) {
        complaints = std::string("cannot run the validator: ") + error->message;
        g_error_free(error);
        return complaints;
    }
    complaints = std::string(out) + err;
    if (!g_spawn_check_wait_status(status, nullptr) && complaints.empty()) {
        complaints = "validator failed";
    }
    g_free(out);
    g_free(err);
    return complaints;
}

struct FileIdentity {
    ino_t inode = 0;
    timespec modified{};

    bool operator==(const FileIdentity& other) const {
        return inode == other.inode && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec;
    }
};

FileIdentity IdentityOf(const fs::path& file) {
    struct stat status {};
    EXPECT_EQ(stat(file.c_str(), &status), 0) << file;
    return {status.st_ino, status.st_mtim};
}

class LinuxProgramAutorunTest : public ::testing::Test {
protected:
    void SetUp() override {
        environment.Set("XDG_CONFIG_HOME", (root / "config").string());
        environment.Set("HOME", (root / "home").string());
    }

    // The temporary folder goes with the case: a later case must not run inside it.
    void TearDown() override { fs::current_path(workingFolder); }

    fs::path Autostart() const { return root / "config" / "autostart"; }
    fs::path OurEntry() const { return Autostart() / "Vornk Wallpaper Changer.desktop"; }

    const TemporaryFolder folder;
    const fs::path root{folder.Path().string()};
    const fs::path workingFolder = fs::current_path();
    ScopedEnvironment environment;
    LinuxProgramAutorun autorun{kName, kProgram};
};

TEST_F(LinuxProgramAutorunTest, CleanStateIsDisabledAndDisablingWritesNothing) {
    EXPECT_FALSE(autorun.IsEnabled());

    autorun.SetEnabled(false);

    EXPECT_FALSE(fs::exists(root / "config"));
}

TEST_F(LinuxProgramAutorunTest, EnablingWritesAValidEntryThatRunsTheQuotedProgramPath) {
    autorun.SetEnabled(true);

    EXPECT_TRUE(autorun.IsEnabled());
    EXPECT_EQ(ReadFile(OurEntry()), kOurEntry);
    EXPECT_EQ(DesktopCommandLine(OurEntry()), std::vector<std::string>{kProgram});
    EXPECT_EQ(ValidatorComplaints(OurEntry()), "");
    EXPECT_EQ(fs::status(OurEntry()).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::others_read);
}

TEST_F(LinuxProgramAutorunTest, EnablingTwiceWritesOnce) {
    autorun.SetEnabled(true);
    const FileIdentity written = IdentityOf(OurEntry());
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    autorun.SetEnabled(true);
    LinuxProgramAutorun(kName, kProgram).SetEnabled(true);

    EXPECT_EQ(IdentityOf(OurEntry()), written);
    EXPECT_EQ(std::distance(fs::directory_iterator(Autostart()), fs::directory_iterator()), 1);
}

TEST_F(LinuxProgramAutorunTest, DisablingRemovesOurEntry) {
    autorun.SetEnabled(true);

    autorun.SetEnabled(false);

    EXPECT_FALSE(autorun.IsEnabled());
    EXPECT_FALSE(fs::exists(OurEntry()));
}

TEST_F(LinuxProgramAutorunTest, OnlyAnEntryThatRunsExactlyOurProgramIsOurs) {
    struct Case {
        const char* name;
        std::string text;
        bool ours;
    };
    const std::string header = "[Desktop Entry]\nType=Application\nName=Other\n";
    const std::vector<Case> cases = {
        {"ours", kOurEntry, true},
        {"unquoted", header + "Exec=" + kProgram + "\n", true},
        {"blanks around the equals sign", header + "Exec = \"" + kProgram + "\"\n", true},
        {"another program", header + "Exec=\"/usr/bin/other\"\n", false},
        {"another copy", header + "Exec=\"/home/u/vornk/bin/vornk-wallpaper-changer\"\n", false},
        {"letter case", header + "Exec=\"/opt/vornk/bin/Vornk-wallpaper-changer\"\n", false},
        {"with an argument", header + "Exec=\"" + kProgram + "\" --hidden\n", false},
        {"with a field code", header + "Exec=\"" + kProgram + "\" %U\n", false},
        {"quote left open", header + "Exec=\"" + kProgram + "\n", false},
        {"no Exec", header, false},
        {"Exec of another group", header + "[Desktop Action x]\nExec=" + kProgram + "\n", false},
        {"hidden", kOurEntry + "Hidden=true\n", false},
        {"switched off", header + "Exec=\"" + kProgram + "\"\nX-GNOME-Autostart-enabled=false\n",
         false},
    };
    fs::create_directories(Autostart());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(OurEntry(), c.text);

        EXPECT_EQ(autorun.IsEnabled(), c.ours);
        autorun.SetEnabled(false);
        EXPECT_EQ(fs::exists(OurEntry()), !c.ours);
        if (!c.ours) {
            EXPECT_EQ(ReadFile(OurEntry()), c.text);
            autorun.SetEnabled(true);
            EXPECT_TRUE(autorun.IsEnabled());
            EXPECT_EQ(ReadFile(OurEntry()), kOurEntry);
        }
    }
}

TEST_F(LinuxProgramAutorunTest, EntryOfAnotherNameIsNeverOurs) {
    const fs::path other = Autostart() / "Other.desktop";
    fs::create_directories(Autostart());
    WriteFile(other, kOurEntry);

    EXPECT_FALSE(autorun.IsEnabled());
    autorun.SetEnabled(true);
    EXPECT_TRUE(autorun.IsEnabled());
    autorun.SetEnabled(false);

    EXPECT_FALSE(fs::exists(OurEntry()));
    EXPECT_EQ(ReadFile(other), kOurEntry);
}

TEST_F(LinuxProgramAutorunTest, EntryFolderFollowsTheUsersConfigurationFolder) {
    struct Case {
        const char* configHome;  // nullptr: unset
        const char* home;
        std::optional<fs::path> folder;
    };
    const std::vector<Case> cases = {
        {"/config", "/home", fs::path("config/autostart")},
        {nullptr, "/home", fs::path("home/.config/autostart")},
        {"relative", "/home", fs::path("home/.config/autostart")},
        {nullptr, nullptr, std::nullopt},
        {"relative", "relative", std::nullopt},
    };
    fs::current_path(root);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.configHome ? c.configHome : "unset");
        const auto setOrUnset = [this](const char* name, const char* value) {
            if (value == nullptr) {
                environment.Unset(name);
            } else {
                environment.Set(name, value[0] == '/' ? root.string() + value : value);
            }
        };
        setOrUnset("XDG_CONFIG_HOME", c.configHome);
        setOrUnset("HOME", c.home);

        autorun.SetEnabled(true);

        EXPECT_EQ(autorun.IsEnabled(), c.folder.has_value());
        if (c.folder) {
            EXPECT_EQ(ReadFile(root / *c.folder / "Vornk Wallpaper Changer.desktop"), kOurEntry);
        } else {
            EXPECT_FALSE(fs::exists(root / "relative"));
        }
        fs::remove_all(root / "config");
        fs::remove_all(root / "home");
    }
}

TEST_F(LinuxProgramAutorunTest, OddProgramPathsReadBackExactlyThroughADesktopParser) {
    const std::vector<std::string> paths = {
        "/opt/My Programs/vornk",
        "/opt/quote\"d/vornk",
        "/opt/back\\slash/vornk",
        "/opt/$HOME/vornk",
        "/opt/`id`/vornk",
        "/opt/100%/vornk",
        "/opt/%f %%u/vornk",
        "/opt/\xC3\xA9t\xC3\xA9/\xE6\xB5\xB7/\xF0\x9F\x8C\x8A",
        "/opt/single'quote/vornk",
        "/opt/tab\there/vornk",
        "/opt/semi;colon#hash=equals[brackets]~&|<>*?()/vornk",
        "/opt/trailing\\",
        "/opt/\\\"$`%\\ mixed \\\\$",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        LinuxProgramAutorun odd(kName, path);

        odd.SetEnabled(true);

        EXPECT_TRUE(odd.IsEnabled());
        EXPECT_EQ(DesktopCommandLine(OurEntry()), std::vector<std::string>{path});
        EXPECT_EQ(ValidatorComplaints(OurEntry()), "");
        EXPECT_FALSE(autorun.IsEnabled());
        odd.SetEnabled(false);
        EXPECT_FALSE(fs::exists(OurEntry()));
    }
}

TEST_F(LinuxProgramAutorunTest, PathThatIsNotUtf8IsNeverWritten) {
    LinuxProgramAutorun odd(kName, "/opt/\xFF\xFE/vornk");

    odd.SetEnabled(true);

    EXPECT_FALSE(odd.IsEnabled());
    EXPECT_FALSE(fs::exists(OurEntry()));
}

TEST_F(LinuxProgramAutorunTest, DesktopLaunchesTheProgramAtAnOddPath) {
    // No '%': GLib checks that the program exists before it expands "%%", so it refuses such an
    // entry although the format allows it (the parser test above covers '%').
    const fs::path program = root / "my \"bin\" $HOME `x` \xC3\xA9\\" / "vornk run";
    const fs::path marker = root / "started";
    fs::create_directories(program.parent_path());
    WriteFile(program, "#!/bin/sh\nprintf '%s' \"$0\" > \"$VORNK_TEST_MARKER\"\n");
    fs::permissions(program, fs::perms::owner_all);
    environment.Set("VORNK_TEST_MARKER", marker.string());
    LinuxProgramAutorun odd(kName, program.string());
    odd.SetEnabled(true);

    GDesktopAppInfo* entry = g_desktop_app_info_new_from_filename(OurEntry().c_str());
    ASSERT_NE(entry, nullptr) << ReadFile(OurEntry());
    GError* error = nullptr;
    const bool launched = g_app_info_launch(G_APP_INFO(entry), nullptr, nullptr, &error);
    EXPECT_TRUE(launched) << (error ? error->message : "");
    g_clear_error(&error);
    g_object_unref(entry);

    WaitUntil([&] { return !ReadFile(marker).empty(); });
    EXPECT_EQ(ReadFile(marker), program.string());
}

TEST_F(LinuxProgramAutorunTest, EntryRunsTheRunningProgram) {
    std::error_code error;
    const fs::path running = fs::read_symlink("/proc/self/exe", error);
    ASSERT_FALSE(error);
    LinuxProgramAutorun self(kName);

    self.SetEnabled(true);

    EXPECT_TRUE(self.IsEnabled());
    EXPECT_EQ(DesktopCommandLine(OurEntry()), std::vector<std::string>{running.string()});
}

}  // namespace
