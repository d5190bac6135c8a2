#include "model/ApplicationSettings.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "tests/model/RecordingSubscriber.h"

namespace {

TEST(ApplicationSettingsTest, DefaultsAreNoChangeOnStartNoTimerAndFiveSeconds) {
    const ApplicationSettings settings;
    EXPECT_FALSE(settings.GetOnloadChange());
    EXPECT_FALSE(settings.GetTimerChange());
    EXPECT_EQ(settings.GetChangeInterval(), 5);
}

struct SetterCase {
    const char* name;
    std::function<void(ApplicationSettings&)> set;
    std::function<bool(const ApplicationSettings&)> stored;
};

TEST(ApplicationSettingsTest, EverySetterStoresThenNotifiesOnceEvenWhenUnchanged) {
    const std::vector<SetterCase> cases = {
        {"onload_change", [](ApplicationSettings& s) { s.SetOnloadChange(true); },
         [](const ApplicationSettings& s) { return s.GetOnloadChange(); }},
        {"onload_change unchanged", [](ApplicationSettings& s) { s.SetOnloadChange(false); },
         [](const ApplicationSettings& s) { return !s.GetOnloadChange(); }},
        {"timer_change", [](ApplicationSettings& s) { s.SetTimerChange(true); },
         [](const ApplicationSettings& s) { return s.GetTimerChange(); }},
        {"timer_change unchanged", [](ApplicationSettings& s) { s.SetTimerChange(false); },
         [](const ApplicationSettings& s) { return !s.GetTimerChange(); }},
        {"change_interval", [](ApplicationSettings& s) { s.SetChangeInterval(1800); },
         [](const ApplicationSettings& s) { return s.GetChangeInterval() == 1800; }},
        {"change_interval unchanged", [](ApplicationSettings& s) { s.SetChangeInterval(5); },
         [](const ApplicationSettings& s) { return s.GetChangeInterval() == 5; }},
        {"change_interval out of range", [](ApplicationSettings& s) { s.SetChangeInterval(-3); },
         [](const ApplicationSettings& s) { return s.GetChangeInterval() == -3; }},
    };
    for (const SetterCase& c : cases) {
        SCOPED_TRACE(c.name);
        ApplicationSettings settings;
        RecordingSubscriber subscriber;
        std::vector<bool> storedWhenNotified;
        subscriber.onUpdate = [&] { storedWhenNotified.push_back(c.stored(settings)); };
        settings.Attach(&subscriber);

        c.set(settings);

        EXPECT_EQ(storedWhenNotified, std::vector<bool>{true});
        EXPECT_EQ(subscriber.publishers, std::vector<PublisherInterface*>{&settings});
    }
}

}  // namespace
