#include "app/FirstRun.h"

#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>

#include "model/ApplicationSettings.h"
#include "model/ProductInfo.h"
#include "model/WideString.h"
#include "platform/CoreInterface.h"
#include "platform/ProgramAutorun.h"

namespace {

constexpr std::int32_t kFirstRunInterval = 1800;

}  // namespace

bool IsFirstRun() {
    const WideString settingsFile = JoinPath(GetCore().GetSettingsFolder(), u"settings.info");
    // std::filesystem converts UTF-16 to the native encoding without consulting the locale.
    // A folder that cannot be examined is not taken for a first run, which would reset the
    // user's settings.
    std::error_code error;
    const bool exists = std::filesystem::exists(std::filesystem::path(settingsFile), error);
    return !exists && !error;
}

void ApplyFirstRunDefaults(ApplicationSettings& settings) {
    // A settings file that cannot be saved must not leave the other defaults unapplied.
    std::exception_ptr firstFailure;
    const auto apply = [&firstFailure](const std::function<void()>& step) {
        try {
            step();
        } catch (const std::exception&) {
            firstFailure = firstFailure ? firstFailure : std::current_exception();
        }
    };
    apply([&] { settings.SetTimerChange(true); });
    apply([&] { settings.SetChangeInterval(kFirstRunInterval); });
    apply([&] { settings.SetOnloadChange(false); });
    apply([] { GetProgramAutorun(Widen(product::kName)).SetEnabled(true); });
    if (firstFailure) {
        std::rethrow_exception(firstFailure);
    }
}
