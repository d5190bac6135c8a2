#include "app/SettingsFolder.h"

#include "model/ProductInfo.h"
#include "model/WideString.h"
#include "platform/CoreInterface.h"
#include "platform/NativeDesktop.h"

void SetUpSettingsFolder() {
    const auto applicationData = GetApplicationDataFolder();
    if (!applicationData) {
        return;
    }
    CreateUserFolder(*applicationData);
    const WideString makerFolder =
        *applicationData + kNativeSeparator + Widen(product::kMakerFolderName) + kNativeSeparator;
    CreateFolder(makerFolder);
    GetCore().SetSettingsFolder(makerFolder + Widen(product::kName));
}
