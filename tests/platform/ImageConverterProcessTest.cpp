// What the program sees of a converter that crashes, hangs or is ended with the program, through
// stand-in converters; the real converter's failures are in WallpaperBitmapTest.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "PlatformTestSupport.h"
#include "model/CoreError.h"
#include "platform/linux/WallpaperBitmap.h"

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
            WriteWallpaperBitmap(folder / "in.png", bitmap, PictureSize{4, 3}, converter);
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

TEST(ImageConverterProcessTest, EndingTheProgramEndsAConversionInFlight) {
    TemporaryFolder folder;
    const ImageConverterProcess converter(StandIn(folder, "slow", "exec sleep 30"), 30s);
    auto conversion = std::async(std::launch::async, [&] {
        return converter.Run({"in.png", folder / "out.bmp"});
    });
    std::this_thread::sleep_for(200ms);
    ImageConverterProcess::StopAll();
    ASSERT_EQ(conversion.wait_for(2s), std::future_status::ready);
    EXPECT_FALSE(conversion.get().exited);
    EXPECT_FALSE(converter.Run({"in.png", folder / "out.bmp"}).exited);  // none starts after it
}

}  // namespace
