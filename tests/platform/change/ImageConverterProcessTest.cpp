// What the program sees of a converter that crashes, hangs or is ended with the program, through
// stand-in converters; the real converter's failures are in WallpaperBitmapTest.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

#include "model/CoreError.h"
#include "platform/linux/LinuxCore.h"
#include "platform/linux/change/WallpaperBitmap.h"
#include "tests/platform/PlatformTestSupport.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace platform_test;
using namespace std::chrono_literals;

std::string StandIn(const TemporaryFolder& folder, const std::string& name,
                    const std::string& body) {
    const std::string path = folder / name;
    WriteFile(path, "#!/bin/sh\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

TEST(ImageConverterProcessTest, CrashOrTimeOutIsAFailedChangeThatLeavesTheBitmapAlone) {
    struct Case {
        const char* name;
        const char* body;
        const char* error;
    };
    const Case cases[] = {
        {"crash-decoding", "kill -SEGV $$", "Can't load image"},
        {"crash-saving", "printf D; kill -SEGV $$", "Can't save image"},
        {"hang", "exec sleep 30", "Can't load image"},
        {"short-picture", "printf D; exit 0", "Can't save image"},
    };
    TemporaryFolder folder;
    const std::string bitmap = folder / "wallpaper.bmp";
    WriteFile(bitmap, "the shown bitmap");
    for (const Case& c : cases) {
        const ImageConverterProcess converter(StandIn(folder, c.name, c.body), 1s);
        const auto start = std::chrono::steady_clock::now();
        try {
            WriteWallpaperBitmap(folder / "in.png", bitmap,
                                 DrawnPictureRequest{{4, 3}, [](const RgbImage&) {}}, converter);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const CoreError& error) {
            EXPECT_STREQ(error.what(), c.error) << c.name;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s) << c.name;
        EXPECT_EQ(ReadFile(bitmap), "the shown bitmap") << c.name;
    }
    // The bitmap and the stand-ins: no temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()),
              static_cast<long>(1 + std::size(cases)));
}

// Every damaged file the fuzzer found, through the real converter with its real memory limit:
// each is an ordinary failed change, and the bitmap the desktop shows stays whole. The time limit
// is shorter than the program's, for the files that make a decoder spin.
TEST(ImageConverterProcessTest, DamagedFilesFoundByFuzzingAreFailedChanges) {
    TemporaryFolder folder;
    const std::string bitmap = folder / "wallpaper.bmp";
    WriteFile(bitmap, "the shown bitmap");
    const ImageConverterProcess converter(std::getenv("VORNK_IMAGE_CONVERTER"), 4s);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(VORNK_TEST_REGRESSIONS)) {
        const std::string name = entry.path().filename().string();
        if (name == "NOTES.txt") {
            continue;
        }
        ++files;
        try {
            WriteWallpaperBitmap(entry.path().string(), bitmap,
                                 DrawnPictureRequest{{64, 40}, [](const RgbImage&) {}}, converter);
            ADD_FAILURE() << name << ": converted";
        } catch (const CoreError& error) {
            EXPECT_TRUE(std::string(error.what()) == "Can't load image" ||
                        std::string(error.what()) == "Can't save image")
                << name << ": " << error.what();
        }
        EXPECT_EQ(ReadFile(bitmap), "the shown bitmap") << name;
    }
    EXPECT_GT(files, 50);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 1);
}

// File > Exit ends the event loop, and the program releases the core's work while the application
// object still exists: the change in flight must end at once, leave no file behind and report
// nothing.
TEST(ImageConverterProcessTest, EndingTheProgramEndsTheChangeInFlight) {
    TemporaryFolder folder;
    const std::string pidFile = folder / "converter.pid";
    setenv("VORNK_IMAGE_CONVERTER",
           StandIn(folder, "slow", "echo $$ > '" + pidFile + "'; exec sleep 30").c_str(), 1);
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    auto application = std::make_unique<QCoreApplication>(argc, argv);
    LinuxCore core{SessionEnvironment()};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    bool reported = false;
    core.StartSetWallpaper(FromUtf8(folder / "in.png"),
                           [&](std::exception_ptr) { reported = true; });
    ASSERT_TRUE(WaitUntil([&] { return !ReadFile(pidFile).empty(); }, 10s));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(core.ReleaseWork());
    application.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - start, 1s);
    EXPECT_FALSE(fs::exists("/proc/" + std::to_string(std::stoi(ReadFile(pidFile)))));
    EXPECT_FALSE(reported);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 2);
}

}  // namespace
