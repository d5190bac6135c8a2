#include "platform/windows/DesktopWallpaper.h"

#include <gtest/gtest.h>

#include <vector>

#include "model/CoreError.h"
#include "tests/windows/RegistryTestHelpers.h"
#include "tests/windows/Win32CallRecorder.h"

namespace {

const WideString kDesktopKey = u"Control Panel\\Desktop";
const WideString kBitmap =
    u"C:\\users\\root\\AppData\\Roaming\\Vornk Software\\Vornk Wallpaper Changer\\wallpaper.bmp";
// SPI_SETDESKWALLPAPER without a path, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE.
const std::vector<RecordedSystemCall> kApplyFromRegistry{{20, 0, false, 3}};

void ExpectChangeError(const WideString& bitmapPath) {
    try {
        InstallDesktopWallpaper(bitmapPath);
        ADD_FAILURE() << "no error raised";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Can't change desktop wallpaper");
    }
}

class DesktopWallpaperTest : public testing::Test {
protected:
    void TearDown() override { CreateKey(kDesktopKey); }
};

TEST_F(DesktopWallpaperTest, WritesPathAndStyleWithoutTerminatorsThenAppliesThem) {
    const WideString paths[] = {
        kBitmap,
        u"D:\\Bilder\\Zürich – 東京 \U0001D11E\\wallpaper.bmp",
        u"C:\\settings\\\\wallpaper.bmp",
    };
    for (const WideString& path : paths) {
        SCOPED_TRACE(testing::Message() << "path of " << path.size() << " units");
        Win32CallRecorder calls;
        InstallDesktopWallpaper(path);

        const std::vector<RecordedWrite> expected{
            {u"Wallpaper", REG_SZ, BytesOf(path)},
            {u"WallpaperStyle", REG_SZ, BytesOf(u"4")},
        };
        EXPECT_EQ(calls.Writes(), expected);
        EXPECT_EQ(calls.SystemCalls(), kApplyFromRegistry);
        ExpectStoredText(kDesktopKey, u"Wallpaper", path);
        ExpectStoredText(kDesktopKey, u"WallpaperStyle", u"4");
    }
}

TEST_F(DesktopWallpaperTest, RefusedChangeIsReportedAndLeavesTheValuesWritten) {
    Win32CallRecorder calls;
    calls.RefuseSystemChanges();

    ExpectChangeError(kBitmap);
    EXPECT_EQ(calls.SystemCalls(), kApplyFromRegistry);
    ExpectStoredText(kDesktopKey, u"Wallpaper", kBitmap);
}

TEST_F(DesktopWallpaperTest, MissingDesktopKeyIsReportedBeforeAnythingChanges) {
    DeleteKeyTree(kDesktopKey);
    Win32CallRecorder calls;

    ExpectChangeError(kBitmap);
    EXPECT_TRUE(calls.Writes().empty());
    EXPECT_TRUE(calls.SystemCalls().empty());
}

}  // namespace
