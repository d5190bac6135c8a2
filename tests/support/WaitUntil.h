#pragma once

#include <chrono>
#include <functional>
#include <thread>

// Waits until `holds` is true, for at most `limit`. What the tests watch (a desktop, another
// process) changes on its own schedule.
inline bool WaitUntil(const std::function<bool()>& holds,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!holds()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}
