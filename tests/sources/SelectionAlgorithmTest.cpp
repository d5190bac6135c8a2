#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <set>
#include <unordered_map>
#include <vector>

#include "model/CoreError.h"
#include "sources/AlgorithmManager.h"
#include "sources/RandomGenerator.h"
#include "sources/SourceManager.h"
#include "tests/fakes/FakeCore.h"
#include "tests/model/RecordingSubscriber.h"
#include "tests/sources/SourceTestHelpers.h"

namespace {

std::vector<std::uint32_t> Draws(RandomGenerator& generator, std::size_t count) {
    std::vector<std::uint32_t> draws;
    for (std::size_t i = 0; i < count; ++i) {
        draws.push_back(generator.Draw());
    }
    return draws;
}

TEST(RandomGeneratorTest, FollowsTheLinearCongruentialSequence) {
    RandomGenerator generator;
    generator.Seed(1);
    EXPECT_EQ(Draws(generator, 5), (std::vector<std::uint32_t>{41, 18467, 6334, 26500, 19169}));
    generator.Seed(0xFFFFFFFFu);  // the state wraps at 2^32
    EXPECT_EQ(Draws(generator, 3), (std::vector<std::uint32_t>{35, 29739, 3374}));
}

TEST(AlgorithmManagerTest, ManagersCreatedInTheSameSecondDrawTheSameSequence) {
    // Retried when the clock crosses a second boundary between the two creations.
    for (int attempt = 0; attempt < 5; ++attempt) {
        const std::time_t before = std::time(nullptr);
        const AlgorithmManager first;
        const std::vector<std::uint32_t> firstDraws = Draws(RandomGenerator::Process(), 20);
        const AlgorithmManager second;
        const std::vector<std::uint32_t> secondDraws = Draws(RandomGenerator::Process(), 20);
        if (std::time(nullptr) != before) {
            continue;
        }
        EXPECT_EQ(firstDraws, secondDraws);
        RandomGenerator fromClock;
        fromClock.Seed(static_cast<std::uint32_t>(before));
        EXPECT_EQ(firstDraws, Draws(fromClock, 20));
        return;
    }
    FAIL() << "the clock kept crossing second boundaries";
}

TEST(AlgorithmManagerTest, RandomIsCurrentAndNamesComeInKeyOrder) {
    const AlgorithmManager manager;
    EXPECT_EQ(manager.GetCurrentAlgorithm()->GetName(), u"Random");
    std::vector<WideString> names = {u"stale"};
    manager.GetAlgorithmNames(names);
    EXPECT_EQ(names, (std::vector<WideString>{u"Normal", u"Random"}));
}

struct NameCase {
    const char* label;
    WideString name;
    WideString currentAfter;
    std::size_t notifications;
};

TEST(AlgorithmManagerTest, OnlyExactNamesSelectAndEachSelectionNotifies) {
    const std::vector<NameCase> cases = {
        {"other algorithm", u"Normal", u"Normal", 1},
        {"already current", u"Random", u"Random", 1},
        {"letter case", u"normal", u"Random", 0},
        {"trailing blank", u"Normal ", u"Random", 0},
        {"empty", u"", u"Random", 0},
        {"unknown", u"Shuffle", u"Random", 0},
    };
    for (const NameCase& c : cases) {
        SCOPED_TRACE(c.label);
        AlgorithmManager manager;
        RecordingSubscriber subscriber;
        manager.Attach(&subscriber);
        manager.SetCurrentAlgorithm(c.name);
        EXPECT_EQ(manager.GetCurrentAlgorithm()->GetName(), c.currentAfter);
        EXPECT_EQ(subscriber.Count(), c.notifications);
    }
}

class SelectionAlgorithmTest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        core.Reset();
        manager.SetCurrentAlgorithm(Widen(GetParam()));
        ASSERT_EQ(algorithm().GetName(), Widen(GetParam()));
    }

    SelectionAlgorithmInterface& algorithm() { return *manager.GetCurrentAlgorithm(); }
    WallpaperEntry Next() { return algorithm().SelectNext(sources.GetWallpaperList(), sources); }

    FakeCore& core = FakeCore::Instance();
    AlgorithmManager manager;
    SourceManager sources;
};

TEST_P(SelectionAlgorithmTest, EachEntryOncePerPassThenARefilledPass) {
    const std::vector<WideString> files = NumberedFiles(u"/pics", 50);
    core.AddFolder(u"/pics", {files, {}});
    sources.AddFolderSource(u"/pics", false);
    RecordingSubscriber subscriber;
    sources.Attach(&subscriber);

    for (int pass = 0; pass < 2; ++pass) {
        std::set<WideString> shown;
        for (std::size_t i = 0; i < files.size(); ++i) {
            const WallpaperEntry entry = Next();
            EXPECT_EQ(entry.GetSource(), u"/pics");
            shown.insert(entry.GetFile());
        }
        EXPECT_EQ(shown, std::set<WideString>(files.begin(), files.end()));
        EXPECT_EQ(sources.GetWallpaperList().size(), files.size());
    }
    EXPECT_EQ(subscriber.Count(), 0u);
}

TEST_P(SelectionAlgorithmTest, EmptyListThrowsWithoutAttemptingARefill) {
    core.AddFolder(u"/pics", {NumberedFiles(u"/pics", 2), {}});
    core.AddFolder(u"/empty", {});
    sources.AddFolderSource(u"/pics", false);
    sources.AddFolderSource(u"/empty", false);
    sources.RemoveFolderSource(u"/pics");
    const std::size_t listings = core.ListedFolders().size();

    try {
        Next();
        FAIL() << "no error on an empty list";
    } catch (const CoreError& error) {
        EXPECT_STREQ(error.what(), "Wallpaper list is empty");
    }
    EXPECT_TRUE(sources.GetWallpaperList().empty());
    EXPECT_EQ(core.ListedFolders().size(), listings);
}

TEST_P(SelectionAlgorithmTest, FailedRefillConsumesTheChosenEntryAndReturnsNothing) {
    core.AddFolder(u"/pics", {NumberedFiles(u"/pics", 1), {}});
    sources.AddFolderSource(u"/pics", false);
    core.RemoveFolder(u"/pics");
    EXPECT_THROW(Next(), CoreError);
    EXPECT_TRUE(sources.GetWallpaperList().empty());
}

INSTANTIATE_TEST_SUITE_P(BothAlgorithms, SelectionAlgorithmTest,
                         ::testing::Values("Normal", "Random"));

TEST(NormalAlgorithmTest, WalksTheListInOrderAndStartsAgainAfterTheRefill) {
    FakeCore::Instance().Reset();
    AlgorithmManager manager;
    manager.SetCurrentAlgorithm(u"Normal");
    SourceManager sources;
    sources.AddFileSource(u"/1.jpg");
    sources.AddFileSource(u"/2.jpg");
    sources.AddFileSource(u"/3.jpg");
    std::vector<WideString> shown;
    for (int i = 0; i < 4; ++i) {
        shown.push_back(manager.GetCurrentAlgorithm()
                            ->SelectNext(sources.GetWallpaperList(), sources)
                            .GetFile());
    }
    EXPECT_EQ(shown, (std::vector<WideString>{u"/1.jpg", u"/2.jpg", u"/3.jpg", u"/1.jpg"}));
}

TEST(RandomAlgorithmTest, DrawModuloSizeReachesOnlyTheFirst32768Positions) {
    FakeCore::Instance().Reset();
    const std::vector<WideString> files = NumberedFiles(u"/big", 40000);
    FakeCore::Instance().AddFolder(u"/big", {files, {}});
    AlgorithmManager manager;
    SourceManager sources;
    sources.AddFolderSource(u"/big", false);
    RandomGenerator::Process().Seed(20240607);
    RandomGenerator expected;
    expected.Seed(20240607);

    std::unordered_map<WideString, std::size_t> positionOf;
    for (std::size_t i = 0; i < files.size(); ++i) {
        positionOf[files[i]] = i;
    }
    std::vector<bool> consumed(files.size(), false);

    for (int pick = 0; pick < 300; ++pick) {
        const std::size_t size = sources.GetWallpaperList().size();
        const WallpaperEntry chosen =
            manager.GetCurrentAlgorithm()->SelectNext(sources.GetWallpaperList(), sources);
        const std::size_t position = positionOf.at(chosen.GetFile());
        ASSERT_FALSE(consumed[position]) << "shown twice in one pass";
        const auto emptiedBefore = std::count(
            consumed.begin(), consumed.begin() + static_cast<std::ptrdiff_t>(position), true);
        const std::size_t index = position - static_cast<std::size_t>(emptiedBefore);
        consumed[position] = true;
        ASSERT_LE(index, RandomGenerator::kMaxDraw);
        ASSERT_EQ(index, expected.Draw() % size);
    }
}

}  // namespace
