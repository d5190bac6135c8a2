#pragma once

#include <vector>

#include "model/WideString.h"
#include "platform/CoreInterface.h"
#include "platform/worker/ListingWorker.h"
#include "platform/worker/WorkerThread.h"

// Lists images with Boost.Filesystem, converts them with DevIL and installs the bitmap through
// the registry. Paths are Windows paths with backslashes. Once the application object exists,
// changes and listings run beside its event loop, each on a thread of its own.
class WindowsCore final : public CoreInterface {
public:
    // Starts with the working directory as the settings folder.
    WindowsCore();

    void FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) override;
    void SetWallpaper(const WideString& imagePath) override;
    void StartSetWallpaper(const WideString& imagePath,
                           std::function<void(std::exception_ptr)> done) override;
    void StartFindImages(const WideString& folder, bool withSubfolders,
                         std::function<void(WallpaperList, std::exception_ptr)> done) override;
    bool ReleaseWork() override;
    WideString Reserved() override;
    bool IsSupportedImage(const WideString& path) override;
    WideString GetSettingsFolder() const override;
    void SetSettingsFolder(const WideString& folder) override;
    std::vector<WideString> GetSupportedExtensions() const override;

private:
    static void ShowAsWallpaper(const WideString& imagePath, const WideString& folder);

    WideString settingsFolder;
    std::vector<WideString> extensions;
    // Last, so that they are gone before what their work uses.
    WorkerThread changes;
    ListingWorker listings{*this};
};
