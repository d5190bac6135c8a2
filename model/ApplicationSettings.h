#pragma once

#include <cstdint>

#include "model/Publisher.h"

// Every setter stores its value and then notifies, whether or not the value changed.
class ApplicationSettings final : public Publisher {
public:
    ApplicationSettings() = default;
    ApplicationSettings(const ApplicationSettings&) = delete;
    ApplicationSettings& operator=(const ApplicationSettings&) = delete;

    bool GetOnloadChange() const;
    void SetOnloadChange(bool value);
    bool GetTimerChange() const;
    void SetTimerChange(bool value);
    std::int32_t GetChangeInterval() const;
    void SetChangeInterval(std::int32_t seconds);
    bool GetDifferentPerMonitor() const;
    void SetDifferentPerMonitor(bool value);

private:
    bool onload_change = false;
    bool timer_change = false;
    std::int32_t change_interval = 5;
    bool different_per_monitor = false;
};

// The process's settings, created on first use and never destroyed.
ApplicationSettings& GetApplicationSettings();
