#include <gtest/gtest.h>

#include <QCoreApplication>

#include <boost/filesystem.hpp>

#include <atomic>
#include <chrono>
#include <exception>
#include <future>
#include <memory>

#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/LinuxCore.h"
#include "platform/worker/WorkerThread.h"
#include "tests/platform/desktops/DesktopTestSupport.h"
#include "tests/support/WaitUntil.h"

namespace {

using namespace platform_test;

TEST(IsSupportedImageTest, JudgesByTheLastDotOfTheWholePath) {
    struct Case {
        const char16_t* path;
        bool supported;
    };
    const Case cases[] = {
        {u"D:\\a\\B.TIFF", true},     {u"D:\\a\\b.Jpe", true}, {u"/p/sea.JPG", true},
        {u"/p/x.jpeg", true},         {u"/p/x.png", true},     {u"/p/x.tif", true},
        {u"/p/x.tga", true},          {u"/p/x.bmp", true},     {u"D:\\a\\b.gif", false},
        {u"/p/x.webp", true},         {u"/p/x.AVIF", true},    {u"/p/x.Heic", true},
        {u"/p/x.heif", true},         {u"/p/x.JXL", true},     {u"/p/x.webm", false},
        {u"D:\\a\\b.jpg.txt", false}, {u"D:\\a\\b", false},    {u"D:\\a.b\\c", false},
        {u"/my.pics/photo", false},   {u"/p/x.", false},       {u"/p/x.jp\u0120", false},
    };
    LinuxCore core{SessionEnvironment()};
    for (const Case& c : cases) {
        EXPECT_EQ(core.IsSupportedImage(c.path), c.supported) << ToUtf8(c.path);
    }
}

TEST(LinuxCoreTest, ExtensionsAreTheThirteenInOrder) {
    LinuxCore core{SessionEnvironment()};
    EXPECT_EQ(core.GetSupportedExtensions(),
              (std::vector<WideString>{u"jpg", u"jpeg", u"jpe", u"png", u"tiff", u"tif", u"tga",
                                       u"bmp", u"webp", u"avif", u"heic", u"heif", u"jxl"}));
    EXPECT_EQ(core.Reserved(), u"");
}

TEST(LinuxCoreTest, SettingsFolderIsTheWorkingDirectoryUntilSet) {
    LinuxCore core{SessionEnvironment()};
    EXPECT_EQ(core.GetSettingsFolder(), FromUtf8(boost::filesystem::current_path().string()));
}

TEST(LinuxCoreTest, SetSettingsFolderCreatesOneLevelAndReportsNothing) {
    TemporaryFolder folder;
    LinuxCore core{SessionEnvironment()};
    const WideString created = FromUtf8(folder / "Vornk \xC3\x9C");
    core.SetSettingsFolder(created);
    EXPECT_EQ(core.GetSettingsFolder(), created);
    EXPECT_TRUE(boost::filesystem::is_directory(ToUtf8(created)));

    core.SetSettingsFolder(created);  // exists already: nothing reported
    const WideString twoLevels = FromUtf8(folder / "missing/child");
    EXPECT_NO_THROW(core.SetSettingsFolder(twoLevels));
    EXPECT_EQ(core.GetSettingsFolder(), twoLevels);
    EXPECT_FALSE(boost::filesystem::exists(folder / "missing"));
}

TEST(LinuxCoreTest, SessionWithoutADesktopFailsAfterWritingTheBitmap) {
    TemporaryFolder folder;
    MakeGradient(folder / "in.png", 8, 4, "0,0 red 7,3 blue");
    LinuxCore core{SessionEnvironment()};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    desktop_test::ExpectCantChangeWallpaper(
        [&] { core.SetWallpaper(FromUtf8(folder / "in.png")); });
    EXPECT_TRUE(boost::filesystem::exists(folder / "wallpaper.bmp"));
}

// Without a desktop no monitor is known: one for all, the first image, whose bitmap is written.
TEST(LinuxCoreTest, SetOfImagesWithoutADesktopTakesTheFirstForTheBitmap) {
    TemporaryFolder folder;
    MakeGradient(folder / "in.png", 8, 4, "0,0 red 7,3 blue");
    LinuxCore core{SessionEnvironment()};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    EXPECT_EQ(core.CountMonitors(), 1u);
    std::exception_ptr outcome;
    core.StartSetWallpapers({FromUtf8(folder / "in.png"), FromUtf8(folder / "missing.png")},
                            [&](std::exception_ptr error) { outcome = error; });
    ASSERT_TRUE(outcome);
    desktop_test::ExpectCantChangeWallpaper([&] { std::rethrow_exception(outcome); });
    EXPECT_EQ(DecodeWithImageMagick(folder / "wallpaper.bmp").width, 8);
}

// Once the application object exists the listing runs on another thread and comes back
// through the event loop, never inside the call.
TEST(LinuxCoreTest, ListingBesideTheEventLoopComesBackOnTheCallingThread) {
    TemporaryFolder folder;
    WriteFile(folder / "a.jpg", "");
    WriteFile(folder / "notes.txt", "");
    int argc = 0;
    QCoreApplication application(argc, nullptr);
    LinuxCore core{SessionEnvironment()};
    std::optional<WallpaperList> found;
    std::thread::id reportedOn;
    core.StartFindImages(FromUtf8(folder.Path().string()), true,
                         [&](WallpaperList list, std::exception_ptr error) {
                             EXPECT_FALSE(error);
                             found = std::move(list);
                             reportedOn = std::this_thread::get_id();
                         });
    EXPECT_FALSE(found);
    ASSERT_TRUE(WaitUntil([&] {
        QCoreApplication::processEvents();
        return found.has_value();
    }));
    EXPECT_EQ(reportedOn, std::this_thread::get_id());
    EXPECT_EQ(*found,
              (WallpaperList{{FromUtf8(folder.Path().string()), FromUtf8(folder / "a.jpg")}}));
}

// At exit a piece that is still running (a bus call, a helper) is let go rather than waited for.
TEST(WorkerThreadTest, ReleaseDoesNotWaitForAPieceBeyondTheGrace) {
    int argc = 0;
    QCoreApplication application(argc, nullptr);
    WorkerThread worker;
    auto finish = std::make_shared<std::promise<void>>();
    auto started = std::make_shared<std::atomic<bool>>(false);
    worker.Start(
        [finished = finish->get_future().share(), started] {
            *started = true;
            finished.wait();
        },
        [](std::exception_ptr) { ADD_FAILURE() << "a released piece reported"; });
    ASSERT_TRUE(WaitUntil([&] { return started->load(); }));

    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(worker.Release(std::chrono::milliseconds(50)));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    finish->set_value();
}

}  // namespace
