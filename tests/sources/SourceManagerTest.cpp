#include "sources/SourceManager.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <vector>

#include "model/CoreError.h"
#include "tests/fakes/FakeCore.h"
#include "tests/model/RecordingSubscriber.h"
#include "tests/sources/SourceTestHelpers.h"

namespace {

const WideString kA = u"/pics/a";
const WideString kB = u"/pics/b";
const WideString kC = u"/pics/c";

class SourceManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        core.Reset();
        core.AddFolder(kA, {filesA, nestedA});
        core.AddFolder(kB, {filesB, {}});
        core.AddFolder(kC, {filesC, {}});
        manager.Attach(&subscriber);
    }

    // Takes entries from the front until the list has been used up once.
    void ConsumeAll() {
        for (std::size_t left = manager.GetWallpaperList().size(); left > 0; --left) {
            manager.RemoveWallpaperAt(0);
        }
    }

    FakeCore& core = FakeCore::Instance();
    SourceManager manager;
    RecordingSubscriber subscriber;
    const std::vector<WideString> filesA = NumberedFiles(kA, 3);
    const std::vector<WideString> nestedA = NumberedFiles(kA + u"/sub", 2);
    const std::vector<WideString> filesB = NumberedFiles(kB, 2);
    const std::vector<WideString> filesC = NumberedFiles(kC, 2);
};

TEST_F(SourceManagerTest, NewManagerHasNoSourcesAndNoWallpapers) {
    EXPECT_TRUE(manager.GetSources().empty());
    EXPECT_TRUE(manager.GetWallpaperList().empty());
}

TEST_F(SourceManagerTest, AddingAFolderAppendsItsImagesAndOneRecord) {
    manager.AddFileSource(u"/single.png");
    manager.AddFolderSource(kA, false);
    manager.AddFolderSource(kA, true);

    EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{u"/single.png", SourceType::File},
                                                         {kA, SourceType::Folder},
                                                         {kA, SourceType::FolderWithSubfolders}}));
    EXPECT_EQ(manager.GetWallpaperList(), Concatenated({{{u"/single.png", u"/single.png"}},
                                                        EntriesOf(kA, filesA),
                                                        EntriesOf(kA, filesA),
                                                        EntriesOf(kA, nestedA)}));
    EXPECT_EQ(subscriber.Count(), 3u);
    EXPECT_EQ(subscriber.publishers.front(), &manager);
}

TEST_F(SourceManagerTest, AddingAMissingFolderThrowsAndChangesNothing) {
    manager.AddFolderSource(kB, false);
    try {
        manager.AddFolderSource(u"/pics/A", false);
        FAIL() << "no error for a missing folder";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Specified path does not exist: ");
    }
    EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{kB, SourceType::Folder}}));
    EXPECT_EQ(manager.GetWallpaperList(), EntriesOf(kB, filesB));
    EXPECT_EQ(subscriber.Count(), 1u);
}

TEST_F(SourceManagerTest, ListingFailingPartWayKeepsItsEntriesButAddsNoRecord) {
    core.FailListingAfter(kA, 2);
    EXPECT_THROW(manager.AddFolderSource(kA, false), std::runtime_error);
    EXPECT_TRUE(manager.GetSources().empty());
    EXPECT_EQ(manager.GetWallpaperList(), EntriesOf(kA, {filesA[0], filesA[1]}));
    EXPECT_EQ(subscriber.Count(), 0u);
}

TEST_F(SourceManagerTest, OnlySupportedFilesAreAcceptedAndNothingIsChecked) {
    manager.AddFileSource(u"/missing/Sea.JPG");
    manager.AddFileSource(u"/pics/anim.gif");
    manager.AddFileSource(u"/my.pics/photo");
    manager.AddFileSource(u"/missing/Sea.JPG");

    EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{u"/missing/Sea.JPG", SourceType::File},
                                                         {u"/missing/Sea.JPG", SourceType::File}}));
    EXPECT_EQ(manager.GetWallpaperList(),
              (WallpaperList{{u"/missing/Sea.JPG", u"/missing/Sea.JPG"},
                             {u"/missing/Sea.JPG", u"/missing/Sea.JPG"}}));
    EXPECT_EQ(subscriber.Count(), 2u);
}

struct RemovalCase {
    const char* name;
    std::function<void(SourceManager&)> addSources;
    bool removeFolder;  // RemoveFolderSource, otherwise RemoveFileSource
    WideString path;
    std::vector<Source> sourcesLeft;
    std::size_t notifications;
};

TEST_F(SourceManagerTest, RemovalErasesTheFirstRecordOfItsFamilyAndEveryEntryOfThePath) {
    const std::vector<RemovalCase> cases = {
        {"doubled folder",
         [](SourceManager& m) {
             m.AddFolderSource(kA, false);
             m.AddFolderSource(kB, false);
             m.AddFolderSource(kA, false);
         },
         true,
         kA,
         {{kB, SourceType::Folder}, {kA, SourceType::Folder}},
         1},
        {"folder then folder with subfolders",
         [](SourceManager& m) {
             m.AddFolderSource(kA, false);
             m.AddFolderSource(kA, true);
             m.AddFolderSource(kB, false);
         },
         true,
         kA,
         {{kA, SourceType::FolderWithSubfolders}, {kB, SourceType::Folder}},
         1},
        {"other letter case",
         [](SourceManager& m) { m.AddFolderSource(kA, false); },
         true,
         u"/Pics/A",
         {{kA, SourceType::Folder}},
         0},
        {"folder removal passes over a file record",
         [](SourceManager& m) {
             m.AddFileSource(u"/pics/a.jpg");
             m.AddFolderSource(kB, false);
         },
         true,
         u"/pics/a.jpg",
         {{u"/pics/a.jpg", SourceType::File}, {kB, SourceType::Folder}},
         0},
        {"file removal passes over a folder record",
         [](SourceManager& m) { m.AddFolderSource(kA, false); },
         false,
         kA,
         {{kA, SourceType::Folder}},
         0},
        {"file removal takes the file's entries only",
         [](SourceManager& m) {
             m.AddFileSource(u"/x.jpg");
             m.AddFolderSource(kB, false);
             m.AddFileSource(u"/x.jpg");
         },
         false,
         u"/x.jpg",
         {{kB, SourceType::Folder}, {u"/x.jpg", SourceType::File}},
         1},
    };
    for (const RemovalCase& c : cases) {
        SCOPED_TRACE(c.name);
        SourceManager fresh;
        c.addSources(fresh);
        const WallpaperList before = fresh.GetWallpaperList();
        RecordingSubscriber counter;
        fresh.Attach(&counter);

        if (c.removeFolder) {
            fresh.RemoveFolderSource(c.path);
        } else {
            fresh.RemoveFileSource(c.path);
        }

        EXPECT_EQ(fresh.GetSources(), c.sourcesLeft);
        EXPECT_EQ(counter.Count(), c.notifications);
        WallpaperList expected = before;
        if (c.notifications > 0) {
            std::erase_if(expected,
                          [&](const WallpaperEntry& e) { return e.GetSource() == c.path; });
        }
        EXPECT_EQ(fresh.GetWallpaperList(), expected);
    }
}

TEST_F(SourceManagerTest, RemainingRecordOfARemovedPathReturnsAtTheNextRefill) {
    manager.AddFolderSource(kA, false);
    manager.AddFolderSource(kA, true);
    manager.AddFolderSource(kB, false);
    manager.RemoveFolderSource(kA);
    EXPECT_EQ(manager.GetWallpaperList(), EntriesOf(kB, filesB));

    ConsumeAll();

    EXPECT_EQ(manager.GetWallpaperList(),
              Concatenated({EntriesOf(kA, filesA), EntriesOf(kA, nestedA), EntriesOf(kB, filesB)}));
}

TEST_F(SourceManagerTest, RemovingTheSourceOfTheLastEntriesLeavesTheListEmpty) {
    manager.AddFolderSource(kA, false);
    manager.AddFolderSource(kB, false);
    for (std::size_t i = 0; i < filesB.size(); ++i) {
        manager.RemoveWallpaperAt(filesA.size());
    }
    manager.RemoveFolderSource(kA);

    EXPECT_TRUE(manager.GetWallpaperList().empty());
    EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{kB, SourceType::Folder}}));

    manager.AddFileSource(u"/x.png");
    EXPECT_EQ(manager.GetWallpaperList(), (WallpaperList{{u"/x.png", u"/x.png"}}));
}

TEST_F(SourceManagerTest, RemoveAllSourcesAlwaysNotifies) {
    manager.RemoveAllSources();
    EXPECT_EQ(subscriber.Count(), 1u);

    manager.AddFolderSource(kA, true);
    manager.AddFileSource(u"/x.png");
    manager.RemoveAllSources();
    EXPECT_TRUE(manager.GetSources().empty());
    EXPECT_TRUE(manager.GetWallpaperList().empty());
    EXPECT_EQ(subscriber.Count(), 4u);
}

TEST_F(SourceManagerTest, ConsumingKeepsOrderAndIgnoresIndexesOutOfRange) {
    manager.AddFolderSource(kA, false);
    manager.RemoveWallpaperAt(3);
    manager.RemoveWallpaperAt(1);
    EXPECT_EQ(manager.GetWallpaperList(), EntriesOf(kA, {filesA[0], filesA[2]}));
    EXPECT_EQ(subscriber.Count(), 1u);
}

TEST_F(SourceManagerTest, TakingTheLastEntryRefillsFromEverySourceInOrderWithoutNotifying) {
    manager.AddFileSource(u"/deleted.jpg");  // a File source is never checked at a refill
    manager.AddFolderSource(kA, true);
    manager.AddFolderSource(kB, false);
    const WallpaperList full = manager.GetWallpaperList();
    const std::size_t notifications = subscriber.Count();

    ConsumeAll();
    EXPECT_EQ(manager.GetWallpaperList(), full);

    SourceManager single;
    single.AddFileSource(u"/only.bmp");
    single.RemoveWallpaperAt(0);
    EXPECT_EQ(single.GetWallpaperList(), (WallpaperList{{u"/only.bmp", u"/only.bmp"}}));
    EXPECT_EQ(subscriber.Count(), notifications);
}

// Entries leave with their source, so a refill only ever runs with sources; when every image of
// them has vanished it lists them again, finds nothing, and the list stays empty.
TEST_F(SourceManagerTest, RefillThatFindsNoImagesLeavesTheListEmpty) {
    manager.AddFolderSource(kB, false);
    manager.RemoveWallpaperAt(0);
    core.AddFolder(kB, {});
    const std::size_t listingsBefore = core.ListedFolders().size();

    manager.RemoveWallpaperAt(0);
    EXPECT_EQ(core.ListedFolders().size(), listingsBefore + 1);
    EXPECT_TRUE(manager.GetWallpaperList().empty());
    manager.RemoveWallpaperAt(0);
    EXPECT_TRUE(manager.GetWallpaperList().empty());
}

TEST_F(SourceManagerTest, RefillStoppedByAVanishedFolderKeepsWhatCameBefore) {
    manager.AddFolderSource(kA, false);
    manager.AddFolderSource(kB, false);
    manager.AddFolderSource(kC, false);
    core.RemoveFolder(kB);
    const std::size_t listingsBefore = core.ListedFolders().size();

    manager.RemoveWallpaperAt(0);  // the pass is not over yet
    EXPECT_EQ(core.ListedFolders().size(), listingsBefore);
    for (std::size_t left = manager.GetWallpaperList().size(); left > 1; --left) {
        manager.RemoveWallpaperAt(0);
    }
    try {
        manager.RemoveWallpaperAt(0);
        FAIL() << "the refill did not report the vanished folder";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Specified path does not exist: ");
    }
    EXPECT_EQ(manager.GetWallpaperList(), EntriesOf(kA, filesA));
    EXPECT_EQ(std::vector<WideString>(core.ListedFolders().begin() + listingsBefore,
                                      core.ListedFolders().end()),
              (std::vector<WideString>{kA, kB}));
    EXPECT_EQ(manager.GetSources().size(), 3u);

    // The next attempt comes when the partial list runs out.
    core.AddFolder(kB, {filesB, {}});
    ConsumeAll();
    EXPECT_EQ(manager.GetWallpaperList(),
              Concatenated({EntriesOf(kA, filesA), EntriesOf(kB, filesB), EntriesOf(kC, filesC)}));
}

TEST_F(SourceManagerTest, RefillStoppedInsideAFolderKeepsItsFirstEntries) {
    manager.AddFolderSource(kA, false);
    manager.AddFolderSource(kB, false);
    manager.AddFolderSource(kC, false);
    core.FailListingAfter(kB, 1);
    EXPECT_THROW(ConsumeAll(), std::runtime_error);
    EXPECT_EQ(manager.GetWallpaperList(),
              Concatenated({EntriesOf(kA, filesA), EntriesOf(kB, {filesB[0]})}));
}

// A refill that the core finishes later ends as if it had finished before anything done
// meanwhile: a source removed meanwhile contributes nothing, one added meanwhile comes after.
TEST_F(SourceManagerTest, RefillFinishingLaterEndsAsIfItHadFinishedAtOnce) {
    manager.AddFolderSource(kA, false);
    manager.AddFolderSource(kB, false);
    manager.AddFolderSource(kC, false);
    core.FinishListingsLater();
    ConsumeAll();
    std::vector<std::exception_ptr> outcomes;
    manager.WhenRefilled([&](std::exception_ptr error) { outcomes.push_back(error); });
    manager.RemoveFolderSource(kB);
    manager.AddFileSource(u"/late.png");
    EXPECT_EQ(manager.GetWallpaperList(), (WallpaperList{{u"/late.png", u"/late.png"}}));

    while (core.FinishListing()) {
    }
    EXPECT_EQ(outcomes, (std::vector<std::exception_ptr>{nullptr}));
    EXPECT_EQ(manager.GetWallpaperList(),
              Concatenated(
                  {EntriesOf(kA, filesA), EntriesOf(kC, filesC), {{u"/late.png", u"/late.png"}}}));

    ConsumeAll();
    manager.RemoveAllSources();
    ASSERT_TRUE(core.FinishListing());  // the abandoned refill's listing, which is ignored
    EXPECT_TRUE(manager.GetWallpaperList().empty());
}

struct SkipCase {
    const char* name;
    WideString file;
    std::size_t entriesDropped;
};

TEST_F(SourceManagerTest, SkipPastWallpaperDropsUpToTheFirstMatchUnlessItIsLast) {
    const std::vector<WideString> five = NumberedFiles(u"/five", 5);
    const std::vector<SkipCase> cases = {
        {"first", five[0], 1},    {"third", five[2], 3},
        {"fourth", five[3], 4},   {"fifth (last)", five[4], 0},
        {"absent", u"/x.jpg", 0}, {"other case", u"/FIVE/img1.jpg", 0},
    };
    core.AddFolder(u"/five", {five, {}});
    for (const SkipCase& c : cases) {
        SCOPED_TRACE(c.name);
        SourceManager fresh;
        fresh.AddFolderSource(u"/five", false);
        RecordingSubscriber counter;
        fresh.Attach(&counter);

        fresh.SkipPastWallpaper(c.file);

        const WallpaperList all = EntriesOf(u"/five", five);
        EXPECT_EQ(fresh.GetWallpaperList(),
                  WallpaperList(all.begin() + c.entriesDropped, all.end()));
        EXPECT_EQ(counter.Count(), 0u);
    }
}

TEST_F(SourceManagerTest, SkipPastWallpaperStopsAtTheFirstOfDuplicates) {
    manager.AddFolderSource(kB, false);
    manager.AddFolderSource(kB, false);
    manager.SkipPastWallpaper(filesB[1]);
    EXPECT_EQ(manager.GetWallpaperList(), EntriesOf(kB, filesB));
}

TEST_F(SourceManagerTest, ChangeStaysMadeWhenASubscriberFails) {
    subscriber.onUpdate = [] { throw std::runtime_error("cannot save"); };
    EXPECT_THROW(manager.AddFileSource(u"/x.png"), std::runtime_error);
    EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{u"/x.png", SourceType::File}}));
    EXPECT_THROW(manager.RemoveAllSources(), std::runtime_error);
    EXPECT_TRUE(manager.GetSources().empty());
    EXPECT_EQ(subscriber.Count(), 2u);
}

}  // namespace
