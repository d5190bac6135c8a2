#include "model/WallpaperChanger.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "model/CoreError.h"
#include "sources/AlgorithmManager.h"
#include "sources/RandomGenerator.h"
#include "sources/SourceManager.h"
#include "tests/fakes/FakeCore.h"
#include "tests/model/RecordingSubscriber.h"

namespace {

const WideString kP = u"/pics/P.jpg";
const WideString kQ = u"/pics/Q.jpg";
const WideString kR = u"/pics/R.jpg";

// The wallpaper list walks P, Q, R in order, so every new change is predictable.
class WallpaperChangerTest : public ::testing::Test {
protected:
    void SetUp() override {
        core.Reset();
        GetAlgorithmManager().SetCurrentAlgorithm(u"Normal");
        core.AddFolder(u"/pics", {{kP, kQ, kR}, {}});
        sources.AddFolderSource(u"/pics", false);
        changer.Attach(&subscriber);
    }

    using Paths = std::vector<WideString>;

    FakeCore& core = FakeCore::Instance();
    SourceManager sources;
    WallpaperChanger changer{sources};
    RecordingSubscriber subscriber;
};

TEST_F(WallpaperChangerTest, UndoingTheFirstChangeKeepsItsImageAndRedoWalksForward) {
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();
    changer.Undo();
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
    changer.Undo();  // P's change has no previous image: nothing is installed
    EXPECT_EQ(core.Installed(), (Paths{kP, kQ, kP}));
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
    changer.Redo();
    changer.Redo();

    EXPECT_EQ(core.Installed(), (Paths{kP, kQ, kP, kP, kQ}));
    EXPECT_EQ(changer.GetCurrentWallpaper(), kQ);
    EXPECT_EQ(subscriber.Count(), core.Installed().size());
    EXPECT_EQ(sources.GetWallpaperList().size(), 1u);  // redoing consumes nothing
}

TEST_F(WallpaperChangerTest, NewChangeAfterUndoKeepsTheRedoHistory) {
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();
    changer.Undo();
    changer.ChangeWallpaper();
    changer.Redo();
    changer.Undo();  // Q's command re-installs its own previous image, not R

    EXPECT_EQ(core.Installed(), (Paths{kP, kQ, kP, kR, kQ, kP}));
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
}

TEST_F(WallpaperChangerTest, UndoWithoutHistoryDoesNothingAndRedoWithoutHistoryChanges) {
    changer.Undo();
    EXPECT_TRUE(core.Installed().empty());
    EXPECT_EQ(subscriber.Count(), 0u);
    EXPECT_TRUE(changer.GetCurrentWallpaper().empty());

    changer.Redo();
    changer.Redo();
    EXPECT_EQ(core.Installed(), (Paths{kP, kQ}));
    changer.Undo();
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
}

TEST_F(WallpaperChangerTest, EachInstallationNotifiesOnceAfterTheCurrentWallpaperIsSet) {
    Paths seenBySubscriber;
    subscriber.onUpdate = [&] { seenBySubscriber.push_back(changer.GetCurrentWallpaper()); };
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();
    changer.Undo();
    changer.Redo();
    EXPECT_EQ(seenBySubscriber, (Paths{kP, kQ, kP, kQ}));
    EXPECT_EQ(subscriber.publishers.front(), &changer);
}

TEST_F(WallpaperChangerTest, FailedNewChangesRecordNothing) {
    changer.ChangeWallpaper();  // P

    core.FailNextSetWallpaper("Can't change desktop wallpaper");
    EXPECT_THROW(changer.ChangeWallpaper(), CoreError);  // Q is consumed but not shown
    core.MakeUnreadable(kR);
    EXPECT_THROW(changer.ChangeWallpaper(), CoreError);
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
    EXPECT_EQ(subscriber.Count(), 1u);

    // Only P's change is recorded: undoing it shows nothing, redoing it shows P again.
    changer.Undo();
    changer.Redo();
    EXPECT_EQ(core.Installed(), (Paths{kP, kP}));
    changer.Undo();
    changer.Undo();
    EXPECT_EQ(core.Installed(), (Paths{kP, kP}));
}

TEST_F(WallpaperChangerTest, EmptyWallpaperListFailsWithoutTouchingTheHistories) {
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();
    changer.Undo();  // Q's command waits in the redo history
    sources.RemoveFolderSource(u"/pics");

    try {
        changer.ChangeWallpaper();
        FAIL() << "no error on an empty list";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Wallpaper list is empty");
    }
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);

    changer.Redo();
    EXPECT_EQ(changer.GetCurrentWallpaper(), kQ);
    changer.Undo();
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
}

TEST_F(WallpaperChangerTest, FailedUndoAndRedoLeaveTheCommandWhereItWas) {
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();

    core.FailNextSetWallpaper("Can't load image");
    EXPECT_THROW(changer.Undo(), CoreError);
    EXPECT_EQ(changer.GetCurrentWallpaper(), kQ);
    changer.Undo();
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);

    core.FailNextSetWallpaper("Can't load image");
    EXPECT_THROW(changer.Redo(), CoreError);
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
    changer.Redo();  // still Q's command, not a new change to R

    EXPECT_EQ(core.Installed(), (Paths{kP, kQ, kP, kQ}));
    EXPECT_EQ(sources.GetWallpaperList().size(), 1u);
}

TEST_F(WallpaperChangerTest, UndoToADeletedImageFailsAndKeepsTheHistories) {
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();
    core.MakeUnreadable(kP);
    try {
        changer.Undo();
        FAIL() << "no error for an unreadable image";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Can't load image");
    }
    changer.Redo();  // nothing was undone, so this is a new change
    changer.Undo();
    EXPECT_EQ(core.Installed(), (Paths{kP, kQ, kR, kQ}));
    // Q's change is still recorded: undoing it tries the deleted image again.
    EXPECT_THROW(changer.Undo(), CoreError);
}

// As with a settings folder that cannot be written: the pictures reach the screen, so they are
// in the histories, and every request still reports the failed save.
TEST_F(WallpaperChangerTest, PictureShownDespiteAFailingSubscriberIsRecorded) {
    changer.ChangeWallpaper();  // P
    subscriber.onUpdate = [] { throw std::runtime_error("cannot save"); };
    EXPECT_THROW(changer.ChangeWallpaper(), std::runtime_error);
    EXPECT_THROW(changer.Undo(), std::runtime_error);
    EXPECT_EQ(changer.GetCurrentWallpaper(), kP);
    EXPECT_THROW(changer.Redo(), std::runtime_error);
    EXPECT_EQ(changer.GetCurrentWallpaper(), kQ);
    subscriber.onUpdate = nullptr;

    changer.Undo();
    changer.Undo();  // P's change, whose previous image is empty
    EXPECT_EQ(core.Installed(), (Paths{kP, kQ, kP, kQ, kP}));
    EXPECT_EQ(subscriber.Count(), core.Installed().size());
}

// The refill started by taking the last entry finishes later: the change waits for it, and one
// that fails takes the change with it, as if it had run at once.
TEST_F(WallpaperChangerTest, ChangeTakingTheLastEntryGoesOnOnlyOnceTheRefillSucceeds) {
    core.FinishListingsLater();
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();
    std::vector<std::exception_ptr> outcomes;
    const auto record = [&](std::exception_ptr error) { outcomes.push_back(error); };
    changer.ChangeWallpaper(record);  // R, the last entry
    changer.Undo(record);
    EXPECT_EQ(core.Installed(), (Paths{kP, kQ}));
    ASSERT_TRUE(core.FinishListing());
    EXPECT_EQ(core.Installed(), (Paths{kP, kQ, kR, kQ}));
    EXPECT_EQ(outcomes, (std::vector<std::exception_ptr>{nullptr, nullptr}));

    changer.ChangeWallpaper();
    changer.ChangeWallpaper();
    core.RemoveFolder(u"/pics");
    changer.ChangeWallpaper(record);
    ASSERT_TRUE(core.FinishListing());
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_THROW(std::rethrow_exception(outcomes[2]), CoreError);
    EXPECT_EQ(core.Installed().size(), 6u);
    EXPECT_EQ(changer.GetCurrentWallpaper(), kQ);
}

TEST_F(WallpaperChangerTest, NewChangesUseTheCurrentAlgorithm) {
    GetAlgorithmManager().SetCurrentAlgorithm(u"Random");
    RandomGenerator::Process().Seed(1);  // draws 41 and 18467: positions 2 of 3, then 1 of 2
    for (int i = 0; i < 3; ++i) {
        changer.ChangeWallpaper();
    }
    EXPECT_EQ(core.Installed(), (Paths{kR, kQ, kP}));
    EXPECT_EQ(sources.GetWallpaperList().size(), 3u);
}

using Sets = std::vector<std::vector<WideString>>;

// Each picture of a set is a pick of its own: Normal's pass runs on from one set into the next,
// and a list shorter than the set comes round again within it.
TEST_F(WallpaperChangerTest, EachMonitorTakesTheNextPickAndUndoRedoStepWholeSets) {
    changer.SetDifferentPerMonitor(true);
    core.SetMonitorCount(2);
    changer.ChangeWallpaper();
    changer.ChangeWallpaper();  // the pass ends after R: P comes from the refilled list
    EXPECT_EQ(changer.GetCurrentWallpapers(), (Paths{kR, kP}));
    EXPECT_EQ(changer.GetCurrentWallpaper(), kR);
    changer.Undo();
    changer.Redo();
    changer.Redo();  // nothing left to redo: a new set
    EXPECT_EQ(core.InstalledSets(), (Sets{{kP, kQ}, {kR, kP}, {kP, kQ}, {kR, kP}, {kQ, kR}}));
    EXPECT_EQ(subscriber.Count(), 5u);

    core.SetMonitorCount(4);
    changer.ChangeWallpaper();
    EXPECT_EQ(changer.GetCurrentWallpapers(), (Paths{kP, kQ, kR, kP}));
}

TEST_F(WallpaperChangerTest, WithTheOptionOffAChangeTakesOnePictureButUndoRestoresTheSet) {
    core.SetMonitorCount(2);
    changer.ChangeWallpaper();
    EXPECT_EQ(core.Installed(), (Paths{kP}));
    EXPECT_TRUE(core.InstalledSets().empty());

    changer.SetDifferentPerMonitor(true);
    changer.ChangeWallpaper();
    changer.SetDifferentPerMonitor(false);
    changer.ChangeWallpaper();
    EXPECT_EQ(changer.GetCurrentWallpapers(), (Paths{kP}));  // the new pass starts at P
    changer.Undo();
    EXPECT_EQ(changer.GetCurrentWallpapers(), (Paths{kQ, kR}));
    EXPECT_EQ(core.InstalledSets(), (Sets{{kQ, kR}, {kQ, kR}}));
}

// A set that empties the list waits for the refill before its next pick.
TEST_F(WallpaperChangerTest, SetSpanningTwoPassesWaitsForTheRefill) {
    changer.SetDifferentPerMonitor(true);
    core.SetMonitorCount(2);
    core.FinishListingsLater();
    changer.ChangeWallpaper();
    std::vector<std::exception_ptr> outcomes;
    changer.ChangeWallpaper([&](std::exception_ptr error) { outcomes.push_back(error); });
    EXPECT_TRUE(outcomes.empty());
    ASSERT_TRUE(core.FinishListing());
    EXPECT_EQ(outcomes, (std::vector<std::exception_ptr>{nullptr}));
    EXPECT_EQ(core.InstalledSets(), (Sets{{kP, kQ}, {kR, kP}}));
}

// What a run of requests leaves behind, to compare a queued run with one-by-one.
struct RunOutcome {
    std::vector<WideString> installed;
    std::vector<std::string> errors;
    WideString current;
    std::size_t notifications = 0;
    bool operator==(const RunOutcome&) const = default;
};

RunOutcome RunRequests(bool finishLater) {
    FakeCore& core = FakeCore::Instance();
    core.Reset();
    GetAlgorithmManager().SetCurrentAlgorithm(u"Normal");
    core.AddFolder(u"/pics", {{kP, kQ, kR, kP + u"2"}, {}});
    core.MakeUnreadable(kR);
    SourceManager sources;
    sources.AddFolderSource(u"/pics", false);
    WallpaperChanger changer(sources);
    RecordingSubscriber subscriber;
    changer.Attach(&subscriber);
    if (finishLater) {
        core.FinishChangesLater();
    }
    RunOutcome outcome;
    const Completion record = [&outcome](std::exception_ptr error) {
        outcome.errors.push_back("done");
        try {
            if (error) {
                std::rethrow_exception(error);
            }
        } catch (const std::exception& failure) {
            outcome.errors.back() = failure.what();
        }
    };
    // Two new changes, an undo, a failing change (R), a redo, two undos and two redos.
    changer.ChangeWallpaper(record);
    changer.ChangeWallpaper(record);
    changer.Undo(record);
    changer.ChangeWallpaper(record);
    changer.Redo(record);
    changer.Undo(record);
    changer.Undo(record);
    changer.Redo(record);
    changer.Redo(record);
    if (finishLater) {
        EXPECT_EQ(core.ChangesInFlight(), 1u);  // the rest wait for it
        while (core.FinishChange()) {
        }
    }
    outcome.installed = core.Installed();
    outcome.current = changer.GetCurrentWallpaper();
    outcome.notifications = subscriber.Count();
    return outcome;
}

TEST(WallpaperChangerQueueTest, RequestsMadeDuringAChangeEndAsIfRunOneByOne) {
    const RunOutcome oneByOne = RunRequests(false);
    ASSERT_EQ(oneByOne.errors.size(), 9u);
    EXPECT_EQ(oneByOne.errors[3], "Can't load image");
    EXPECT_EQ(RunRequests(true), oneByOne);
    FakeCore::Instance().Reset();
}

}  // namespace
