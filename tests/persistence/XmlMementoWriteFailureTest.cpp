#include <gtest/gtest.h>

#include <csignal>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include <sys/resource.h>

#include <boost/filesystem/exception.hpp>
#include <boost/filesystem/fstream.hpp>
#include <boost/filesystem/operations.hpp>

#include "persistence/XmlMemento.h"
#include "sources/AlgorithmManager.h"
#include "tests/fakes/FakeDiskSync.h"
#include "tests/persistence/SettingsFolderTest.h"

namespace {

// Writes beyond `bytes` fail as on a full disk, for this process, until destruction.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        getrlimit(RLIMIT_FSIZE, &saved);
        previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = saved;
        limited.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit saved{};
    void (*previousHandler)(int) = nullptr;
};

struct SaveCase {
    std::string file;
    std::function<void()> save;
};

class XmlMementoWriteFailureTest : public SettingsFolderTest {
protected:
    // One change of each publisher, as the program makes them.
    std::vector<SaveCase> SaveCases() {
        return {
            {"sources.info", [this] { sourceManager.AddFileSource(u"/pics/second.jpg"); }},
            {"settings.info", [this] { settings.SetChangeInterval(3600); }},
            {"current_wallpaper.txt", [this] { changer.SetCurrentWallpaper(u"/pics/b.jpg"); }},
            {"current_algorithm.txt", [] { GetAlgorithmManager().SetCurrentAlgorithm(u"Normal"); }},
        };
    }
};

TEST_F(XmlMementoWriteFailureTest, MissingOrBlockedFolderRaisesTheWritersError) {
    boost::filesystem::ofstream(root / "plain file") << "not a folder";
    for (const char* unusable : {"missing", "plain file"}) {
        UseSettingsFolder(root / unusable);
        XmlMemento memento(sourceManager, changer, settings);
        for (const SaveCase& c : SaveCases()) {
            SCOPED_TRACE(std::string(unusable) + ": " + c.file);
            try {
                c.save();
                ADD_FAILURE() << "the failed write was not reported";
            } catch (const boost::filesystem::filesystem_error& error) {
                EXPECT_NE(std::string(error.what()).find(c.file), std::string::npos)
                    << error.what();
            }
        }
    }
    EXPECT_EQ(settings.GetChangeInterval(), 3600);
    EXPECT_EQ(ReadFileBytes(root / "plain file"), "not a folder");
    EXPECT_FALSE(boost::filesystem::exists(root / "missing"));
}

TEST_F(XmlMementoWriteFailureTest, FailedWriteLeavesTheEarlierFileAndNoLeftovers) {
    XmlMemento memento(sourceManager, changer, settings);
    sourceManager.AddFileSource(u"/pics/first.jpg");
    settings.SetChangeInterval(1800);
    changer.SetCurrentWallpaper(u"/pics/a.jpg");
    GetAlgorithmManager().SetCurrentAlgorithm(u"Random");
    const std::vector<std::string> files = FolderListing();
    ASSERT_EQ(files.size(), 5u);

    for (const SaveCase& c : SaveCases()) {
        SCOPED_TRACE(c.file);
        const std::string earlier = ReadBytes(c.file);
        std::string error;
        {
            const FileSizeLimit fullDisk(3);
            try {
                c.save();
            } catch (const boost::filesystem::filesystem_error& e) {
                error = e.what();
            }
        }
        EXPECT_NE(error.find(c.file), std::string::npos) << "error: " << error;
        EXPECT_EQ(ReadBytes(c.file), earlier);
        EXPECT_EQ(FolderListing(), files);
    }
}

TEST_F(XmlMementoWriteFailureTest, FileThatCannotBeReplacedStaysAndRaises) {
    XmlMemento memento(sourceManager, changer, settings);
    boost::filesystem::create_directories(File("settings.info") / "inside");

    EXPECT_THROW(settings.SetTimerChange(true), boost::filesystem::filesystem_error);

    EXPECT_TRUE(boost::filesystem::is_directory(File("settings.info") / "inside"));
    EXPECT_EQ(FolderListing(), std::vector<std::string>{"settings.info"});
}

// A power loss finds the earlier content or the new one: the new file is on the disk before its
// rename and the rename before the save returns; a file that cannot reach the disk never
// replaces the earlier one.
TEST_F(XmlMementoWriteFailureTest, SaveIsOnTheDiskBeforeAndAfterItsRenameOrNotMadeAtAll) {
    XmlMemento memento(sourceManager, changer, settings);
    FakeDiskSync& disk = FakeDiskSync::Instance();
    disk.failure = std::make_error_code(std::errc::io_error);
    for (const SaveCase& c : SaveCases()) {
        SCOPED_TRACE(c.file);
        EXPECT_THROW(c.save(), boost::filesystem::filesystem_error);
    }
    EXPECT_TRUE(FolderListing().empty());

    disk.failure.clear();
    disk.synced.clear();
    sourceManager.AddFileSource(u"/pics/third.jpg");
    ASSERT_EQ(disk.synced.size(), 2u);
    EXPECT_EQ(disk.synced[0].parent_path(), File("sources.info").parent_path());
    EXPECT_TRUE(disk.synced[0].filename().string().starts_with("sources.info."));
    EXPECT_EQ(disk.synced[1], File("sources.info").parent_path());
    EXPECT_EQ(FolderListing(), std::vector<std::string>{"sources.info"});
}

}  // namespace
