#include "model/ApplicationSettings.h"

bool ApplicationSettings::GetOnloadChange() const {
    return onload_change;
}

void ApplicationSettings::SetOnloadChange(bool value) {
    onload_change = value;
    Notify();
}

bool ApplicationSettings::GetTimerChange() const {
    return timer_change;
}

void ApplicationSettings::SetTimerChange(bool value) {
    timer_change = value;
    Notify();
}

std::int32_t ApplicationSettings::GetChangeInterval() const {
    return change_interval;
}

void ApplicationSettings::SetChangeInterval(std::int32_t seconds) {
    change_interval = seconds;
    Notify();
}

bool ApplicationSettings::GetDifferentPerMonitor() const {
    return different_per_monitor;
}

void ApplicationSettings::SetDifferentPerMonitor(bool value) {
    different_per_monitor = value;
    Notify();
}

ApplicationSettings& GetApplicationSettings() {
    static ApplicationSettings settings;
    return settings;
}
