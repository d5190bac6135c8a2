// What the program sees of a converter that crashes, hangs or is ended with the program, through
// stand-in converters; the real converter's failures are in ConverterRunTest.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <sstream>
#include <string>

#include "model/CoreError.h"
#include "platform/linux/LinuxCore.h"
#include "platform/linux/change/ConverterRun.h"
#include "platform/linux/change/ImageConverterProcess.h"
#include "platform/linux/converter/ImageConverterProtocol.h"
#include "platform/linux/converter/ImageDecoder.h"
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

// The converter that the real core starts, for one test; the test programs' own one afterwards.
class ConverterForOneTest final {
public:
    explicit ConverterForOneTest(const std::string& program) {
        if (const char* value = std::getenv("VORNK_IMAGE_CONVERTER")) {
            before = value;  // empty: none chosen
        }
        setenv("VORNK_IMAGE_CONVERTER", program.c_str(), 1);
    }
    ~ConverterForOneTest() { setenv("VORNK_IMAGE_CONVERTER", before.c_str(), 1); }
    ConverterForOneTest(const ConverterForOneTest&) = delete;
    ConverterForOneTest& operator=(const ConverterForOneTest&) = delete;

private:
    std::string before;
};

TEST(ImageConverterProcessTest, CrashOrTimeOutIsAFailedChangeThatLeavesTheBitmapAlone) {
    struct Case {
        const char* name;
        const char* body;
        const char* error;
    };
    const Case cases[] = {
        {"crash-decoding", "kill -SEGV $$", "Can't load image"},
        // The screen's picture, from a reduced decoding, then a crash in the full one.
        {"crash-after-picture", "head -c 36 /dev/zero; kill -SEGV $$", "Can't load image"},
        {"crash-saving", "head -c 36 /dev/zero; printf D; kill -SEGV $$", "Can't save image"},
        {"hang", "exec sleep 300", "Can't load image"},
        {"short-picture", "head -c 35 /dev/zero; printf D; exit 0", "Can't save image"},
    };
    TemporaryFolder folder;
    const std::string bitmap = folder / "wallpaper.bmp";
    WriteFile(bitmap, "the shown bitmap");
    WriteFile(folder / "in.png", "the image");
    for (const Case& c : cases) {
        const ImageConverterProcess converter(StandIn(folder, c.name, c.body), 1s);
        const auto start = std::chrono::steady_clock::now();
        try {
            RunConverter(folder / "in.png", bitmap,
                         DrawnPictureRequest{{{4, 3}, {}}, [](const RgbImage&) {}}, converter);
            ADD_FAILURE() << c.name << ": no error";
        } catch (const CoreError& error) {
            EXPECT_STREQ(error.what(), c.error) << c.name;
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, 30s) << c.name;  // the time limit fired
        EXPECT_EQ(ReadFile(bitmap), "the shown bitmap") << c.name;
    }
    // The bitmap, the image and the stand-ins: no temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()),
              static_cast<long>(2 + std::size(cases)));
}

// Far more output than the picture asked for is a converter gone wrong: the change fails at once
// rather than when the program's memory runs out.
TEST(ImageConverterProcessTest, AConverterThatFloodsItsOutputFailsAtOnce) {
    TemporaryFolder folder;
    WriteFile(folder / "in.png", "the image");
    const ImageConverterProcess converter(
        StandIn(folder, "flood", "head -c 36 /dev/zero; printf D; exec cat /dev/zero"), 60s);
    const auto start = std::chrono::steady_clock::now();
    try {
        RunConverter(folder / "in.png", folder / "wallpaper.bmp",
                     DrawnPictureRequest{{{4, 3}, {}}, [](const RgbImage&) {}}, converter);
        ADD_FAILURE() << "no error";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Can't save image");
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, 30s);
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
        if (entry.path().extension() == ".txt") {
            continue;
        }
        ++files;
        try {
            RunConverter(entry.path().string(), bitmap,
                         DrawnPictureRequest{{{64, 40}, {}}, [](const RgbImage&) {}}, converter);
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

// What the real converter did with a file, handed over as the program hands it (the image at
// descriptor 3, the bitmap at 4): the words of OUTCOMES.txt in the regression folder, told by its
// exit and the line on standard error that names the check that refused the file.
std::string ConversionOutcome(const std::string& image, const TemporaryFolder& folder) {
    const std::string errors = folder / "errors.txt";
    const int status =
        std::system(("timeout -s KILL 4 " + Quote(std::getenv("VORNK_IMAGE_CONVERTER")) + " " +
                     Quote(fs::path(image).filename().string()) + " 64 40 3<" + Quote(image) +
                     " 4>" + Quote(folder / "out.bmp") + " >/dev/null 2>" + Quote(errors))
                        .c_str());
    const std::string said = ReadFile(errors);
    const auto refused = [&](const char* reason) {
        return said.find(std::string(image_converter::kProgramName) + ": " + reason) !=
               std::string::npos;
    };
    const int exit = WEXITSTATUS(status);
    if (exit == image_converter::kCantLoad && refused(decode_refusal::kTruncated)) {
        return "truncated";
    }
    if (exit == image_converter::kCantLoad && refused(decode_refusal::kByDecoders)) {
        return "decoder";
    }
    if ((exit == image_converter::kCantLoad && refused(decode_refusal::kOutOfMemory)) ||
        exit == 128 + SIGKILL) {
        return "limit";
    }
    return exit == image_converter::kConverted ? "converted" : "exit " + std::to_string(exit);
}

// Each fuzzing finding ends as its line in OUTCOMES.txt says, and every file there has one.
TEST(ImageConverterProcessTest, DamagedFilesEndAsTheirRecordedOutcome) {
    const std::string regressions = VORNK_TEST_REGRESSIONS;
    std::istringstream lines(ReadFile(regressions + "/OUTCOMES.txt"));
    std::map<std::string, std::string> recorded;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t space = line.find(' ');
        if (!line.starts_with('#') && space != std::string::npos) {
            recorded[line.substr(0, space)] = line.substr(space + 1);
        }
    }
    TemporaryFolder folder;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(regressions)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".txt") {
            continue;
        }
        ++files;
        ASSERT_TRUE(recorded.contains(name)) << name << ": no outcome in OUTCOMES.txt";
        EXPECT_EQ(ConversionOutcome(entry.path().string(), folder), recorded[name]) << name;
    }
    EXPECT_EQ(files, static_cast<int>(recorded.size()));
}

// A file name is the system's bytes, which need not be UTF-8: the program opens exactly those
// and hands the converter the open file. Only Qt's decoder reads the CMYK JPEG; the other one is
// turned by its EXIF orientation.
TEST(ImageConverterProcessTest, NamesThatAreNotUtf8AreConverted) {
    TemporaryFolder folder;
    const std::string images = VORNK_TEST_IMAGES;
    const RgbImage reference = DecodeWithImageMagick(images + "/quadrants.png");
    const std::string bitmap = folder / "wallpaper.bmp";
    for (const char* name : {"cmyk.jpg", "orientation-6.jpg"}) {
        SCOPED_TRACE(name);
        const std::string image = folder / (std::string("r\xff t ") + name);
        WriteFile(image, ReadFile(images + "/" + name));
        try {
            RunConverter(image, bitmap);
        } catch (const CoreError& error) {
            ADD_FAILURE() << error.what();
            continue;
        }
        EXPECT_LE(LargestDifference(DecodeWithImageMagick(bitmap), reference), 4);
    }
}

// The converter the program starts holds libjpeg alone: a JPEG photo, its screen picture
// included, needs nothing beside it, while a PNG or a CMYK JPEG goes on to the second stage and,
// where it is missing, fails as a file that no decoder takes.
TEST(ImageConverterProcessTest, AJpegNeedsNoOtherDecoderWhileOtherFilesGoOnToThem) {
    TemporaryFolder folder;
    const std::string images = VORNK_TEST_IMAGES;
    const std::string firstStage = folder / "vornk-image-converter";
    std::filesystem::copy_file(std::getenv("VORNK_IMAGE_CONVERTER"), firstStage);
    const ConverterForOneTest alone(firstStage);
    const std::string bitmap = folder / "wallpaper.bmp";
    const ScreenLayout layout{{40, 40}, {}};
    RgbImage handed;
    RunConverter(images + "/orientation-6.jpg", bitmap,
                 DrawnPictureRequest{layout, [&](const RgbImage& picture) { handed = picture; }});
    const RgbImage reference = DecodeWithImageMagick(images + "/quadrants.png");
    EXPECT_LE(LargestDifference(DecodeWithImageMagick(bitmap), reference), 4);
    EXPECT_LE(LargestDifference(handed, FillMonitors(reference, layout)), 16);
    for (const char* name : {"quadrants.png", "cmyk.jpg"}) {
        EXPECT_THROW(RunConverter(images + "/" + name, bitmap), CoreError) << name;
    }
}

// Two monitors side by side, the second taller than the screen's half: the converter hands over
// the screen with each monitor filled by the whole picture.
TEST(ImageConverterProcessTest, EveryMonitorGetsTheWholePicture) {
    TemporaryFolder folder;
    const std::string image = std::string(VORNK_TEST_IMAGES) + "/quadrants.png";
    const ScreenLayout layout{{48, 32}, {{0, 0, 32, 16}, {32, 0, 16, 32}}};
    RgbImage handed;
    RunConverter(image, folder / "wallpaper.bmp",
                 DrawnPictureRequest{layout, [&](const RgbImage& picture) { handed = picture; }});
    EXPECT_EQ(LargestDifference(handed, FillMonitors(DecodeWithImageMagick(image), layout)), 0);
}

// File > Exit ends the event loop, and the program releases the core's work while the application
// object still exists: the change in flight must end at once, leave no file behind and report
// nothing.
TEST(ImageConverterProcessTest, EndingTheProgramEndsTheChangeInFlight) {
    TemporaryFolder folder;
    const std::string pidFile = folder / "converter.pid";
    const ConverterForOneTest slow(
        StandIn(folder, "slow", "echo $$ > '" + pidFile + "'; exec sleep 300"));
    int argc = 1;
    char name[] = "test";
    char* argv[] = {name, nullptr};
    auto application = std::make_unique<QCoreApplication>(argc, argv);
    LinuxCore core{SessionEnvironment()};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    WriteFile(folder / "in.png", "the image");
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
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.Path()), fs::directory_iterator()), 3);
}

// A program that died during a change leaves the full-size temporary bitmap behind; the next
// start removes it, and nothing else.
TEST(ImageConverterProcessTest, TheTemporaryBitmapOfAChangeCutShortGoesAtTheNextStart) {
    TemporaryFolder folder;
    WriteFile(folder / "wallpaper.bmp", "the shown bitmap");
    WriteFile(folder / "wallpaper.bmp.0123456789ab.tmp", "half a bitmap");
    WriteFile(folder / "photo.jpg.0123456789ab.tmp", "not ours");
    LinuxCore core{SessionEnvironment()};
    core.SetSettingsFolder(FromUtf8(folder.Path().string()));
    EXPECT_FALSE(fs::exists(folder / "wallpaper.bmp.0123456789ab.tmp"));
    EXPECT_EQ(ReadFile(folder / "wallpaper.bmp"), "the shown bitmap");
    EXPECT_TRUE(fs::exists(folder / "photo.jpg.0123456789ab.tmp"));
}

// The next changes, in this process, run again: ending one program's changes is not for ever.
TEST(ImageConverterProcessTest, RunsFailOnlyWhileAStopIsHeld) {
    TemporaryFolder folder;
    const ImageConverterProcess converter(StandIn(folder, "quick", "printf D"), 60s);
    {
        const auto stop = ImageConverterProcess::StopAll();
        EXPECT_FALSE(converter.Run({}).exited);
    }
    const ImageConverterProcess::Result run = converter.Run({});
    EXPECT_TRUE(run.exited);
    EXPECT_EQ(run.output, "D");
}

// The picture handed over on the way may fail to be made (out of memory): the converter must
// not outlive the run that started it.
TEST(ImageConverterProcessTest, AConverterIsEndedAndReapedWhenItsOutputCannotBeTaken) {
    TemporaryFolder folder;
    const std::string pidFile = folder / "converter.pid";
    const ImageConverterProcess converter(
        StandIn(folder, "talking", "echo $$ > '" + pidFile + "'; printf D; exec sleep 300"), 60s);
    EXPECT_THROW(converter.Run({}, [](const std::string&) { throw std::bad_alloc(); }),
                 std::bad_alloc);
    // Not even a zombie: that would still answer a signal.
    EXPECT_NE(kill(std::stoi(ReadFile(pidFile)), 0), 0);
}

}  // namespace
