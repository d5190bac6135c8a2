#include "app/FirstRun.h"

#include <cstdint>
#include <filesystem>

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
    settings.SetTimerChange(true);
    settings.SetChangeInterval(kFirstRunInterval);
    settings.SetOnloadChange(false);
    GetProgramAutorun(Widen(product::kName)).SetEnabled(true);
}
