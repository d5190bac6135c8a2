#pragma once

#include <vector>

#include "model/WideString.h"
#include "platform/CoreInterface.h"

// Lists images with Boost.Filesystem, converts them with DevIL and installs the bitmap through
// the registry. Paths are Windows paths with backslashes.
class WindowsCore final : public CoreInterface {
public:
    // Starts with the working directory as the settings folder.
    WindowsCore();

    void FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) override;
    void SetWallpaper(const WideString& imagePath) override;
    WideString Reserved() override;
    bool IsSupportedImage(const WideString& path) override;
    WideString GetSettingsFolder() const override;
    void SetSettingsFolder(const WideString& folder) override;
    std::vector<WideString> GetSupportedExtensions() const override;

private:
    WideString settingsFolder;
    std::vector<WideString> extensions;
};
