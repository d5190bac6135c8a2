#include "model/WallpaperChangerController.h"

#include <gtest/gtest.h>

#include <functional>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include "model/ApplicationSettings.h"
#include "model/CoreError.h"
#include "model/WallpaperChanger.h"
#include "sources/AlgorithmManager.h"
#include "sources/SourceManager.h"
#include "tests/fakes/FakeCore.h"

namespace {

// Sends std::cerr into a string for the lifetime of the object.
class CapturedStandardError final {
public:
    CapturedStandardError() : previous(std::cerr.rdbuf(text.rdbuf())) {}
    ~CapturedStandardError() { std::cerr.rdbuf(previous); }
    CapturedStandardError(const CapturedStandardError&) = delete;
    CapturedStandardError& operator=(const CapturedStandardError&) = delete;

    std::string Text() const { return text.str(); }

private:
    std::ostringstream text;
    std::streambuf* previous;
};

class WallpaperChangerControllerTest : public ::testing::Test {
protected:
    void SetUp() override {
        core.Reset();
        GetAlgorithmManager().SetCurrentAlgorithm(u"Normal");
        core.AddFolder(u"/pics", {{u"/pics/1.jpg", u"/pics/2.jpg", u"/pics/3.jpg"}, {}});
    }

    void AddPictures() { sources.AddFolderSource(u"/pics", false); }

    // The 1-based numbers of the ticks, out of `count`, that changed the wallpaper.
    std::vector<int> TicksThatChange(WallpaperChangerController& controller, int count) {
        std::vector<int> changing;
        for (int tick = 1; tick <= count; ++tick) {
            const std::size_t before = core.Installed().size();
            controller.Tick(nullptr);
            if (core.Installed().size() != before) {
                changing.push_back(tick);
            }
        }
        return changing;
    }

    FakeCore& core = FakeCore::Instance();
    SourceManager sources;
    WallpaperChanger changer{sources};
    ApplicationSettings settings;
};

struct PeriodCase {
    std::int32_t interval;
    int ticks;
    std::vector<int> changingTicks;
};

TEST_F(WallpaperChangerControllerTest, TimedChangesComeEveryIntervalPlusOneTicks) {
    AddPictures();
    const std::vector<PeriodCase> cases = {
        {3, 12, {4, 8, 12}},
        {1, 6, {2, 4, 6}},
        {0, 3, {1, 2, 3}},
        {-5, 3, {1, 2, 3}},
    };
    for (const PeriodCase& c : cases) {
        SCOPED_TRACE(c.interval);
        ApplicationSettings fresh;
        fresh.SetTimerChange(true);
        fresh.SetChangeInterval(c.interval);
        WallpaperChangerController controller(changer, fresh);
        EXPECT_EQ(TicksThatChange(controller, c.ticks), c.changingTicks);
    }
}

TEST_F(WallpaperChangerControllerTest, TimerOffNeverChangesAndSwitchingItOnStartsAFullPeriod) {
    AddPictures();
    settings.SetChangeInterval(2);
    WallpaperChangerController controller(changer, settings);
    EXPECT_TRUE(TicksThatChange(controller, 10).empty());
    settings.SetTimerChange(true);
    EXPECT_EQ(TicksThatChange(controller, 6), (std::vector<int>{3, 6}));
}

struct RestartCase {
    const char* name;
    std::function<void(ApplicationSettings&)> set;
};

TEST_F(WallpaperChangerControllerTest, EverySettingsNotificationRestartsTheCountdown) {
    AddPictures();
    const std::vector<RestartCase> cases = {
        {"same onload_change", [](ApplicationSettings& s) { s.SetOnloadChange(false); }},
        {"same timer_change", [](ApplicationSettings& s) { s.SetTimerChange(true); }},
        {"same change_interval", [](ApplicationSettings& s) { s.SetChangeInterval(4); }},
    };
    for (const RestartCase& c : cases) {
        SCOPED_TRACE(c.name);
        ApplicationSettings fresh;
        fresh.SetTimerChange(true);
        fresh.SetChangeInterval(4);
        WallpaperChangerController controller(changer, fresh);
        EXPECT_TRUE(TicksThatChange(controller, 3).empty());
        c.set(fresh);
        EXPECT_EQ(TicksThatChange(controller, 5), (std::vector<int>{5}));
    }
}

TEST_F(WallpaperChangerControllerTest, OtherPublishersDoNotRestartTheCountdown) {
    AddPictures();
    settings.SetTimerChange(true);
    settings.SetChangeInterval(2);
    WallpaperChangerController controller(changer, settings);
    TicksThatChange(controller, 2);
    ApplicationSettings other;
    other.Attach(&controller);
    other.SetChangeInterval(50);
    controller.Update(&changer);
    EXPECT_EQ(TicksThatChange(controller, 1), (std::vector<int>{1}));
    other.Detach(&controller);
}

TEST_F(WallpaperChangerControllerTest, FailedTimedChangeWaitsAFullPeriod) {
    settings.SetTimerChange(true);
    settings.SetChangeInterval(2);
    WallpaperChangerController controller(changer, settings);
    std::vector<std::string> errors;
    const Completion record = [&errors](std::exception_ptr error) {
        if (!error) {
            return;
        }
        try {
            std::rethrow_exception(error);
        } catch (const CoreError& coreError) {
            errors.push_back(coreError.what());
        }
    };
    controller.Tick(record);
    controller.Tick(record);
    EXPECT_TRUE(errors.empty());
    controller.Tick(record);
    EXPECT_EQ(errors, std::vector<std::string>{"Wallpaper list is empty"});
    AddPictures();
    EXPECT_EQ(TicksThatChange(controller, 3), (std::vector<int>{3}));
}

TEST_F(WallpaperChangerControllerTest, ChangeOnStartHappensOnlyWhenAskedAndKeepsTheCountdown) {
    AddPictures();
    settings.SetTimerChange(true);
    settings.SetChangeInterval(2);
    {
        const WallpaperChangerController controller(changer, settings);
        EXPECT_TRUE(core.Installed().empty());
    }
    settings.SetOnloadChange(true);
    const CapturedStandardError standardError;
    WallpaperChangerController controller(changer, settings);
    EXPECT_EQ(core.Installed(), (std::vector<WideString>{u"/pics/1.jpg"}));
    EXPECT_EQ(standardError.Text(), "");
    EXPECT_EQ(TicksThatChange(controller, 3), (std::vector<int>{3}));
}

TEST_F(WallpaperChangerControllerTest, FailedChangeOnStartIsReportedWithoutALineEnd) {
    settings.SetTimerChange(true);
    settings.SetChangeInterval(1);
    settings.SetOnloadChange(true);
    const CapturedStandardError standardError;

    WallpaperChangerController controller(changer, settings);

    EXPECT_EQ(standardError.Text(), "Can't change wallpaper on start");
    AddPictures();
    EXPECT_EQ(TicksThatChange(controller, 2), (std::vector<int>{2}));
    settings.SetChangeInterval(3);  // attached after the change on start
    EXPECT_EQ(TicksThatChange(controller, 4), (std::vector<int>{4}));
}

// The change on start already follows the loaded option; later settings changes reach the
// changer too.
TEST_F(WallpaperChangerControllerTest, ChangesFollowThePerMonitorOptionFromTheFirstOne) {
    AddPictures();
    core.SetMonitorCount(2);
    settings.SetDifferentPerMonitor(true);
    settings.SetOnloadChange(true);
    WallpaperChangerController controller(changer, settings);
    EXPECT_EQ(changer.GetCurrentWallpapers(),
              (std::vector<WideString>{u"/pics/1.jpg", u"/pics/2.jpg"}));

    settings.SetDifferentPerMonitor(false);
    changer.ChangeWallpaper();
    EXPECT_EQ(changer.GetCurrentWallpapers(), std::vector<WideString>{u"/pics/3.jpg"});
}

}  // namespace
