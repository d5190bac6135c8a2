#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/filesystem/operations.hpp>

#include "persistence/XmlMemento.h"
#include "sources/AlgorithmManager.h"
#include "tests/fakes/FakeCore.h"
#include "tests/persistence/SettingsFolderTest.h"
#include "tests/sources/SourceTestHelpers.h"

namespace {

const WideString kLib = u"/lib";
const WideString kSingle = u"/single.png";
const std::vector<WideString> kLibFiles = {u"/lib/a.jpg", u"/lib/b.jpg", u"/lib/\u00E9.jpg",
                                           u"/lib/c.jpg"};

const char kSourcesMessage[] = "Can't load source manager settings";
const char kWallpaperMessage[] = "Can't load wallpaper changer settings";
const char kAlgorithmMessage[] = "Can't load algorithm manager settings";
const char kSettingsMessage[] = "Can't load application settings";

// The objects of the program's next start.
struct NextRun {
    SourceManager sourceManager;
    WallpaperChanger changer{sourceManager};
    ApplicationSettings settings;

    // Loads the four files and returns what loading wrote to the standard error stream.
    std::string Load() {
        XmlMemento memento(sourceManager, changer, settings);
        testing::internal::CaptureStderr();
        memento.Load();
        return testing::internal::GetCapturedStderr();
    }
};

std::string Module(const std::string& path, const std::string& type) {
    return "    module\n    {\n        path " + path + "\n        type " + type + "\n    }\n";
}

std::string SourcesFile(const std::vector<std::string>& modules) {
    std::string text = "sources\n{\n";
    for (const std::string& module : modules) {
        text += module;
    }
    return text + "}\n";
}

class XmlMementoLoadTest : public SettingsFolderTest {
protected:
    void SetUp() override {
        SettingsFolderTest::SetUp();
        FakeCore::Instance().AddFolder(kLib, {kLibFiles, {u"/lib/sub/d.jpg"}});
    }

    WideString CurrentAlgorithm() const {
        return GetAlgorithmManager().GetCurrentAlgorithm()->GetName();
    }
};

TEST_F(XmlMementoLoadTest, EachFailureIsReportedAloneAndTheOtherFilesStillLoad) {
    struct Case {
        const char* brokenFile;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"sources.info", kSourcesMessage},
        {"current_wallpaper.txt", kWallpaperMessage},
        {"current_algorithm.txt", kAlgorithmMessage},
        {"settings.info", kSettingsMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.brokenFile);
        boost::filesystem::remove_all(folder);
        boost::filesystem::create_directory(folder);
        WriteBytes("sources.info", SourcesFile({Module("/lib", "1"), Module("/single.png", "2")}));
        WriteBytes("current_wallpaper.txt", "/lib/b.jpg");
        WriteBytes("current_algorithm.txt", "Normal");
        WriteBytes("settings.info", "onload_change 1\ntimer_change 0\nchange_interval 600\n");
        const std::string broken = c.brokenFile;
        if (broken.ends_with(".info")) {
            WriteBytes(broken, "sources\n{\n    module\n");
        } else {
            // Opens, but cannot be read.
            boost::filesystem::remove(File(broken));
            boost::filesystem::create_directory(File(broken));
        }
        GetAlgorithmManager().SetCurrentAlgorithm(u"Random");
        NextRun run;
        // Makes the wallpaper step visible even when the sources do not load.
        run.sourceManager.AddFolderSource(kLib, false);

        EXPECT_EQ(run.Load(), c.message);

        const std::vector<Source> preset = {{kLib, SourceType::Folder}};
        const std::vector<Source> loaded = {{kLib, SourceType::Folder},
                                            {kLib, SourceType::FolderWithSubfolders},
                                            {kSingle, SourceType::File}};
        EXPECT_EQ(run.sourceManager.GetSources(), broken == "sources.info" ? preset : loaded);
        EXPECT_EQ(run.sourceManager.GetWallpaperList().front().GetFile(),
                  broken == "current_wallpaper.txt" ? u"/lib/a.jpg" : u"/lib/\u00E9.jpg");
        EXPECT_EQ(CurrentAlgorithm(), broken == "current_algorithm.txt" ? u"Random" : u"Normal");
        const bool settingsLoaded = broken != "settings.info";
        EXPECT_EQ(run.settings.GetOnloadChange(), settingsLoaded);
        EXPECT_EQ(run.settings.GetChangeInterval(), settingsLoaded ? 600 : 5);
    }
}

TEST_F(XmlMementoLoadTest, SourcesLoadUpToTheFirstModuleThatFails) {
    struct Case {
        const char* name;
        std::string file;
        std::vector<Source> expected;
        std::string errors;
    };
    const std::vector<Case> cases = {
        {"each known type",
         SourcesFile({Module("/lib", "0"), Module("/lib", "1"), Module("/single.png", "2")}),
         {{kLib, SourceType::Folder},
          {kLib, SourceType::FolderWithSubfolders},
          {kSingle, SourceType::File}},
         ""},
        {"unknown types take subfolders",
         SourcesFile({Module("/lib", "5"), Module("/lib", "-1")}),
         {{kLib, SourceType::FolderWithSubfolders}, {kLib, SourceType::FolderWithSubfolders}},
         ""},
        {"type that is not a number",
         SourcesFile({Module("/single.png", "2"), Module("/lib", "x"), Module("/lib", "0")}),
         {{kSingle, SourceType::File}},
         kSourcesMessage},
        {"vanished folder",
         SourcesFile({Module("/single.png", "2"), Module("/gone", "1"), Module("/lib", "0")}),
         {{kSingle, SourceType::File}},
         kSourcesMessage},
        {"missing path",
         SourcesFile({Module("/lib", "0"), "    module\n    {\n        type 2\n    }\n"}),
         {{kLib, SourceType::Folder}},
         kSourcesMessage},
        {"missing type",
         SourcesFile({Module("/lib", "0"), "    module\n    {\n        path /a.jpg\n    }\n"}),
         {{kLib, SourceType::Folder}},
         kSourcesMessage},
        {"any key, keys in any order",
         SourcesFile({"    other\n    {\n        type 2\n        path /a.jpg\n    }\n"}),
         {{u"/a.jpg", SourceType::File}},
         ""},
        {"empty file", "", {}, kSourcesMessage},
        {"file that is not a sources tree", "settings\n{\n}\n", {}, kSourcesMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes("sources.info", c.file);
        NextRun run;

        const std::string errors = run.Load();

        EXPECT_EQ(run.sourceManager.GetSources(), c.expected);
        EXPECT_EQ(errors, c.errors + kSettingsMessage);
    }
}

TEST_F(XmlMementoLoadTest, FolderWithSubfoldersExpandsTheWholeTree) {
    WriteBytes("sources.info", SourcesFile({Module("/lib", "7")}));
    NextRun run;
    run.Load();

    const WallpaperList& list = run.sourceManager.GetWallpaperList();
    ASSERT_EQ(list.size(), kLibFiles.size() + 1);
    EXPECT_EQ(list.back().GetFile(), u"/lib/sub/d.jpg");
}

TEST_F(XmlMementoLoadTest, SettingsApplyInOrderUntilTheFirstBadKey) {
    struct Case {
        const char* file;
        bool onload;
        bool timer;
        int interval;
        std::string errors;
        bool perMonitor = false;
    };
    const std::vector<Case> cases = {
        {"onload_change 1\ntimer_change 1\nchange_interval 60\n", true, true, 60, ""},
        {"onload_change true\ntimer_change false\nchange_interval -7\n", true, false, -7, ""},
        {"change_interval 60\ntimer_change true\nonload_change true\n", true, true, 60, ""},
        {"timer_change true\nchange_interval 60\n", false, false, 5, kSettingsMessage},
        {"onload_change yes\ntimer_change true\nchange_interval 60\n", false, false, 5,
         kSettingsMessage},
        {"onload_change true\ntimer_change maybe\nchange_interval 60\n", true, false, 5,
         kSettingsMessage},
        {"onload_change true\ntimer_change 1\nchange_interval 1e3\n", true, true, 5,
         kSettingsMessage},
        {"onload_change true\ntimer_change 1\n", true, true, 5, kSettingsMessage},
        {"onload_change 0\ntimer_change 0\nchange_interval 60\ndifferent_per_monitor true\n", false,
         false, 60, "", true},
        {"onload_change 0\ntimer_change 0\nchange_interval 60\ndifferent_per_monitor 2\n", false,
         false, 60, kSettingsMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteBytes("settings.info", c.file);
        NextRun run;

        const std::string errors = run.Load();

        EXPECT_EQ(run.settings.GetOnloadChange(), c.onload);
        EXPECT_EQ(run.settings.GetTimerChange(), c.timer);
        EXPECT_EQ(run.settings.GetChangeInterval(), c.interval);
        EXPECT_EQ(run.settings.GetDifferentPerMonitor(), c.perMonitor);
        EXPECT_EQ(errors, kSourcesMessage + c.errors);
    }
}

TEST_F(XmlMementoLoadTest, AlgorithmNameComesFromTheFirstLineAndUnknownNamesAreIgnored) {
    struct Case {
        const char* file;
        const char16_t* expected;
    };
    const std::vector<Case> cases = {
        {"Random", u"Random"}, {"Random\nNormal", u"Random"}, {"", u"Normal"},
        {"random", u"Normal"}, {"Random ", u"Normal"},        {"\xEF\xBB\xBFRandom", u"Random"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        WriteBytes("current_algorithm.txt", c.file);
        GetAlgorithmManager().SetCurrentAlgorithm(u"Normal");
        NextRun run;

        run.Load();

        EXPECT_EQ(CurrentAlgorithm(), c.expected);
    }
}

TEST_F(XmlMementoLoadTest, MissingAlgorithmFileKeepsTheAlgorithmSilently) {
    WriteBytes("sources.info", SourcesFile({Module("/lib", "0")}));
    WriteBytes("settings.info", "onload_change 0\ntimer_change 0\nchange_interval 5\n");
    GetAlgorithmManager().SetCurrentAlgorithm(u"Normal");
    NextRun run;

    EXPECT_EQ(run.Load(), "");
    EXPECT_EQ(CurrentAlgorithm(), u"Normal");
}

TEST_F(XmlMementoLoadTest, SequenceContinuesAfterTheFirstLineOfTheWallpaperFile) {
    WriteBytes("sources.info", SourcesFile({Module("/lib", "0")}));
    struct Case {
        const char* file;  // nullptr: no file
        const char16_t* expectedFront;
    };
    const std::vector<Case> cases = {
        {"/lib/b.jpg", u"/lib/\u00E9.jpg"}, {"/lib/a.jpg\n/lib/b.jpg", u"/lib/b.jpg"},
        {"/lib/\xE9.jpg", u"/lib/c.jpg"},   {"\xEF\xBB\xBF/lib/\xC3\xA9.jpg", u"/lib/c.jpg"},
        {"/lib/b.jpg\r\n", u"/lib/a.jpg"},  {"", u"/lib/a.jpg"},
        {nullptr, u"/lib/a.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "no file");
        boost::filesystem::remove(File("current_wallpaper.txt"));
        if (c.file) {
            WriteBytes("current_wallpaper.txt", c.file);
        }
        NextRun run;

        run.Load();

        EXPECT_EQ(run.sourceManager.GetWallpaperList().front().GetFile(), c.expectedFront);
        EXPECT_EQ(run.changer.GetCurrentWallpaper(), u"");
    }
}

TEST_F(XmlMementoLoadTest, LoadingRewritesNothingAndSavesAgainAfterwards) {
    const std::string sources =
        SourcesFile({Module("/lib", "0"), Module("/gone", "0"), Module("/single.png", "2")});
    const std::string settingsFile = "onload_change 1\ntimer_change 0\nchange_interval 60\n";
    WriteBytes("sources.info", sources);
    WriteBytes("settings.info", settingsFile);
    WriteBytes("current_wallpaper.txt", "/lib/b.jpg\n");
    WriteBytes("current_algorithm.txt", "Normal\n");

    XmlMemento memento(sourceManager, changer, settings);
    testing::internal::CaptureStderr();
    memento.Load();
    EXPECT_EQ(testing::internal::GetCapturedStderr(), kSourcesMessage);

    EXPECT_EQ(ReadBytes("sources.info"), sources);
    EXPECT_EQ(ReadBytes("settings.info"), settingsFile);
    EXPECT_EQ(ReadBytes("current_wallpaper.txt"), "/lib/b.jpg\n");
    EXPECT_EQ(ReadBytes("current_algorithm.txt"), "Normal\n");

    settings.SetChangeInterval(61);
    EXPECT_EQ(ReadBytes("settings.info"),
              "onload_change true\ntimer_change false\nchange_interval 61\n"
              "different_per_monitor false\n");
    GetAlgorithmManager().SetCurrentAlgorithm(u"Random");
    EXPECT_EQ(ReadBytes("current_algorithm.txt"), "Random");
}

TEST_F(XmlMementoLoadTest, LoadingRemovesWhatInterruptedSavesLeftBehind) {
    for (const char* name :
         {"sources.info.0123456789ab.tmp", "settings.info.a1b2c3d4e5f6.tmp",
          "current_wallpaper.txt.ffffffffffff.tmp", "current_algorithm.txt.000000000000.tmp",
          "sources.info.bak", "sources.info.0123456789ab.tmp.keep", "sources.info.xyz.tmp",
          "wallpaper.bmp.0123456789ab.tmp"}) {
        WriteBytes(name, "partial");
    }
    NextRun run;

    run.Load();

    EXPECT_EQ(FolderListing(),
              (std::vector<std::string>{"sources.info.0123456789ab.tmp.keep", "sources.info.bak",
                                        "sources.info.xyz.tmp", "wallpaper.bmp.0123456789ab.tmp"}));
}

// A set file that cannot be read, or whose first picture is not the saved wallpaper (left by a
// build that kept only that one), leaves the saved wallpaper alone as the last shown.
TEST_F(XmlMementoLoadTest, SetOfPicturesLoadsOnlyWhenItBeginsWithTheSavedWallpaper) {
    WriteBytes("sources.info", SourcesFile({Module("/lib", "0")}));
    WriteBytes("current_wallpaper.txt", "/lib/b.jpg");
    struct Case {
        const char* file;  // nullptr: a folder in its place
        std::vector<WideString> loaded;
        const char16_t* expectedFront;
        std::string errors;
    };
    const std::vector<Case> cases = {
        {"/lib/b.jpg\n/lib/\xE9.jpg", {u"/lib/b.jpg", u"/lib/\u00E9.jpg"}, u"/lib/c.jpg", ""},
        {"/lib/b.jpg\n\n/lib/gone.jpg\n",
         {u"/lib/b.jpg", u"/lib/gone.jpg"},
         u"/lib/\u00E9.jpg",
         ""},
        {"/lib/a.jpg\n/lib/c.jpg", {u"/lib/b.jpg"}, u"/lib/\u00E9.jpg", ""},
        {"", {u"/lib/b.jpg"}, u"/lib/\u00E9.jpg", ""},
        {nullptr, {u"/lib/b.jpg"}, u"/lib/\u00E9.jpg", "Can't load the wallpapers of the monitors"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file ? c.file : "folder");
        boost::filesystem::remove_all(File("current_wallpapers.txt"));
        if (c.file) {
            WriteBytes("current_wallpapers.txt", c.file);
        } else {
            boost::filesystem::create_directory(File("current_wallpapers.txt"));
        }
        NextRun run;
        XmlMemento memento(run.sourceManager, run.changer, run.settings);
        testing::internal::CaptureStderr();

        memento.Load();

        EXPECT_EQ(testing::internal::GetCapturedStderr(), c.errors + kSettingsMessage);
        EXPECT_EQ(memento.LoadedWallpapers(), c.loaded);
        EXPECT_EQ(run.sourceManager.GetWallpaperList().front().GetFile(), c.expectedFront);
        EXPECT_TRUE(run.changer.GetCurrentWallpapers().empty());
    }
}

class XmlMementoRoundTripTest : public XmlMementoLoadTest {};

TEST_F(XmlMementoRoundTripTest, SourcePathsReadBackExactly) {
    const std::vector<WideString> paths = {
        u"D:\\Pics",
        u"D:\\My Photos",
        u"C:\\",
        u"/home/u/\u00E9t\u00E9 caf\u00E9",
        u"/home/u/\u6D77\u8FBA/\U0001F30A",
        u"/odd/\"quoted\" {braces}; semi\ttab",
        u"/odd/#include x",
        u"/odd/line\nfeed\\",
        u" leading and trailing ",
        u"/odd/r\xDCE9sum\xDCE9 \u6D77\xDCFF",
    };
    for (const WideString& path : paths) {
        FakeCore::Instance().AddFolder(path, {});
    }
    {
        XmlMemento memento(sourceManager, changer, settings);
        for (const WideString& path : paths) {
            sourceManager.AddFolderSource(path, true);
        }
        sourceManager.AddFileSource(u"D:\\My Photos\\\U0001F600 sea.jpg");
    }
    NextRun run;

    EXPECT_EQ(run.Load(), kSettingsMessage);

    EXPECT_EQ(run.sourceManager.GetSources(), sourceManager.GetSources());
}

TEST_F(XmlMementoRoundTripTest, CurrentWallpaperReadsBackExactly) {
    const std::vector<WideString> paths = {
        u"D:\\Bilder\\\u00E9t\u00E9 \u00FF.jpg",
        u"/home/u/\u6D77\u8FBA.jpg",
        u"/home/u/\U0001F30A.jpg",
        u"\u00EF\u00BB\u00BFlooks like a byte-order mark.jpg",
        // Names whose bytes are not UTF-8: "r\xE9sum\xE9.png" in ISO 8859-1, and a cut-off
        // sequence beside a character that UTF-8 holds.
        u"/lib/r\xDCE9sum\xDCE9.png",
        u"/lib/\u6D77\xDCE6\xDCB5.png",
    };
    for (const WideString& path : paths) {
        SCOPED_TRACE(ToUtf8(path));
        FakeCore::Instance().AddFolder(kLib, {{u"/lib/first.jpg", path, u"/lib/last.jpg"}, {}});
        {
            NextRun previous;
            XmlMemento memento(previous.sourceManager, previous.changer, previous.settings);
            previous.sourceManager.AddFolderSource(kLib, false);
            previous.changer.SetCurrentWallpaper(path);
        }
        NextRun run;

        EXPECT_EQ(run.Load(), kSettingsMessage);

        EXPECT_EQ(run.sourceManager.GetWallpaperList(), EntriesOf(kLib, {u"/lib/last.jpg"}));
    }
}

// A set that ran past the end of the list resumes after its last picture, in the new pass.
TEST_F(XmlMementoRoundTripTest, OptionAndSetOfPicturesComeBackAfterARestart) {
    const std::vector<WideString> set = {u"/lib/c.jpg", u"/lib/\u6D77.jpg", u"/lib/a.jpg"};
    {
        NextRun previous;
        XmlMemento memento(previous.sourceManager, previous.changer, previous.settings);
        previous.settings.SetDifferentPerMonitor(true);
        previous.changer.SetCurrentWallpapers(set);
    }
    EXPECT_EQ(ReadBytes("current_wallpaper.txt"), "/lib/c.jpg");
    EXPECT_EQ(ReadBytes("current_wallpapers.txt"),
              "/lib/c.jpg\n\xEF\xBB\xBF/lib/\xE6\xB5\xB7.jpg\n/lib/a.jpg");
    WriteBytes("sources.info", SourcesFile({Module("/lib", "0")}));
    NextRun run;
    XmlMemento memento(run.sourceManager, run.changer, run.settings);

    memento.Load();

    EXPECT_TRUE(run.settings.GetDifferentPerMonitor());
    EXPECT_EQ(memento.LoadedWallpapers(), set);
    EXPECT_EQ(run.sourceManager.GetWallpaperList().front().GetFile(), u"/lib/b.jpg");
}

}  // namespace
