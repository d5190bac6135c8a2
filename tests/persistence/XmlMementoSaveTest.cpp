#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>

#include "model/Publisher.h"
#include "persistence/XmlMemento.h"
#include "sources/AlgorithmManager.h"
#include "tests/fakes/FakeCore.h"
#include "tests/persistence/SettingsFolderTest.h"
#include "tests/sources/SourceTestHelpers.h"

namespace {

using XmlMementoSaveTest = SettingsFolderTest;

TEST_F(XmlMementoSaveTest, TwoSourcesGiveTheExampleFileByteForByte) {
    FakeCore::Instance().AddFolder(u"D:\\Pics", {});
    XmlMemento memento(sourceManager, changer, settings);

    sourceManager.AddFolderSource(u"D:\\Pics", true);
    sourceManager.AddFileSource(u"D:\\My Photos\\sea.jpg");

    EXPECT_EQ(ReadBytes("sources.info"),
              "sources\n"
              "{\n"
              "    module\n"
              "    {\n"
              "        path D:\\\\Pics\n"
              "        type 1\n"
              "    }\n"
              "    module\n"
              "    {\n"
              "        path \"D:\\\\My Photos\\\\sea.jpg\"\n"
              "        type 2\n"
              "    }\n"
              "}\n");
}

TEST_F(XmlMementoSaveTest, EmptySourceListGivesAnEmptyFile) {
    XmlMemento memento(sourceManager, changer, settings);
    sourceManager.AddFileSource(u"/pics/a.jpg");
    ASSERT_NE(ReadBytes("sources.info"), "");

    sourceManager.RemoveAllSources();

    EXPECT_EQ(ReadBytes("sources.info"), "");
}

TEST_F(XmlMementoSaveTest, FirstRunDefaultsGiveTheExampleSettingsFile) {
    XmlMemento memento(sourceManager, changer, settings);

    settings.SetTimerChange(true);
    settings.SetChangeInterval(1800);
    settings.SetOnloadChange(false);

    EXPECT_EQ(ReadBytes("settings.info"),
              "onload_change false\n"
              "timer_change true\n"
              "change_interval 1800\n"
              "different_per_monitor false\n");
}

TEST_F(XmlMementoSaveTest, EverySettingsChangeRewritesAllTheKeys) {
    XmlMemento memento(sourceManager, changer, settings);
    settings.SetOnloadChange(true);
    EXPECT_EQ(ReadBytes("settings.info"),
              "onload_change true\ntimer_change false\nchange_interval 5\n"
              "different_per_monitor false\n");

    settings.SetChangeInterval(43200);
    EXPECT_EQ(ReadBytes("settings.info"),
              "onload_change true\ntimer_change false\nchange_interval 43200\n"
              "different_per_monitor false\n");
}

TEST_F(XmlMementoSaveTest, TextFilesAreIso88591WithoutLineEnd) {
    XmlMemento memento(sourceManager, changer, settings);

    changer.SetCurrentWallpaper(u"D:\\Bilder\\\u00E9t\u00E9 \u00FF.jpg");
    GetAlgorithmManager().SetCurrentAlgorithm(u"Normal");

    EXPECT_EQ(ReadBytes("current_wallpaper.txt"), "D:\\Bilder\\\xE9t\xE9 \xFF.jpg");
    EXPECT_EQ(ReadBytes("current_algorithm.txt"), "Normal");
}

TEST_F(XmlMementoSaveTest, TextBeyondIso88591IsStoredAsUtf8BehindAByteOrderMark) {
    XmlMemento memento(sourceManager, changer, settings);

    changer.SetCurrentWallpaper(u"/pics/\u6D77/\U0001F30A.jpg");

    EXPECT_EQ(ReadBytes("current_wallpaper.txt"),
              "\xEF\xBB\xBF/pics/\xE6\xB5\xB7/\xF0\x9F\x8C\x8A.jpg");
}

TEST_F(XmlMementoSaveTest, NameThatIsNotUtf8KeepsItsOwnBytesBehindTheMark) {
    XmlMemento memento(sourceManager, changer, settings);

    changer.SetCurrentWallpaper(FromUtf8Escaped("/pics/r\xE9sum\xE9 \xE6\xB5\xB7.png"));

    EXPECT_EQ(ReadBytes("current_wallpaper.txt"),
              "\xEF\xBB\xBF/pics/r\xE9sum\xE9 \xE6\xB5\xB7.png");
}

TEST_F(XmlMementoSaveTest, EachPublisherRewritesOnlyItsOwnFile) {
    XmlMemento memento(sourceManager, changer, settings);
    Publisher stranger;

    memento.Update(&stranger);
    EXPECT_TRUE(FolderListing().empty());

    settings.SetTimerChange(true);
    EXPECT_EQ(FolderListing(), std::vector<std::string>{"settings.info"});
    changer.SetCurrentWallpaper(u"/pics/a.jpg");
    GetAlgorithmManager().SetCurrentAlgorithm(u"Random");
    sourceManager.AddFileSource(u"/pics/a.jpg");
    EXPECT_EQ(FolderListing(), (std::vector<std::string>{
                                   "current_algorithm.txt", "current_wallpaper.txt",
                                   "current_wallpapers.txt", "settings.info", "sources.info"}));
}

TEST_F(XmlMementoSaveTest, NothingIsWrittenAfterDestruction) {
    { XmlMemento memento(sourceManager, changer, settings); }
    settings.SetTimerChange(true);
    changer.SetCurrentWallpaper(u"/pics/a.jpg");
    GetAlgorithmManager().SetCurrentAlgorithm(u"Normal");
    sourceManager.AddFileSource(u"/pics/a.jpg");

    EXPECT_TRUE(FolderListing().empty());
}

TEST_F(XmlMementoSaveTest, LinkedSettingsFileStaysALinkToTheNewContent) {
    const auto real = root / "dotfiles" / "settings.info";
    boost::filesystem::create_directories(real.parent_path());
    boost::filesystem::ofstream(real) << "old";
    boost::filesystem::create_symlink(real, File("settings.info"));
    XmlMemento memento(sourceManager, changer, settings);

    settings.SetTimerChange(true);

    EXPECT_TRUE(boost::filesystem::is_symlink(File("settings.info")));
    EXPECT_EQ(ReadFileBytes(real),
              "onload_change false\ntimer_change true\nchange_interval 5\n"
              "different_per_monitor false\n");
}

}  // namespace
