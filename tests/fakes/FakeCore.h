#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/CoreInterface.h"

// A core without a file system or a desktop: folders are declared by the test, installed
// wallpapers are recorded, and any call can be told to fail.
class FakeCore final : public CoreInterface {
public:
    struct Folder {
        std::vector<WideString> files;        // directly in the folder
        std::vector<WideString> nestedFiles;  // in its subfolders, in walk order
    };

    // The core that GetCore() hands to the code under test.
    static FakeCore& Instance();

    void Reset();
    void AddFolder(const WideString& path, Folder folder);
    void RemoveFolder(const WideString& path);
    // The next listing of this folder appends `count` entries, then throws a file-system error.
    void FailListingAfter(const WideString& path, std::size_t count);
    // SetWallpaper of this path throws CoreError "Can't load image".
    void MakeUnreadable(const WideString& imagePath);
    // The next SetWallpaper throws CoreError with this message, whatever the path.
    void FailNextSetWallpaper(const std::string& message);

    // From now on StartSetWallpaper finishes only when the test calls FinishChange, as a real
    // core does once its converter process has ended.
    void FinishChangesLater();
    // Finishes the oldest change in flight; false when none is.
    bool FinishChange();
    std::size_t ChangesInFlight() const { return inFlight.size(); }
    // The same for StartFindImages and FinishListing.
    void FinishListingsLater();
    bool FinishListing();

    // Installed() records each picture of a set; InstalledSets() records the sets themselves.
    const std::vector<WideString>& Installed() const { return installed; }
    const std::vector<std::vector<WideString>>& InstalledSets() const { return installedSets; }
    void SetMonitorCount(std::size_t count) { monitorCount = count; }
    const std::vector<WideString>& ListedFolders() const { return listed; }

    void FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) override;
    void StartFindImages(const WideString& folder, bool withSubfolders,
                         std::function<void(WallpaperList, std::exception_ptr)> done) override;
    void SetWallpaper(const WideString& imagePath) override;
    void StartSetWallpaper(const WideString& imagePath,
                           std::function<void(std::exception_ptr)> done) override;
    std::size_t CountMonitors() override { return monitorCount; }
    void StartSetWallpapers(const std::vector<WideString>& imagePaths,
                            std::function<void(std::exception_ptr)> done) override;
    WideString Reserved() override { return {}; }
    bool IsSupportedImage(const WideString& path) override;
    WideString GetSettingsFolder() const override { return settingsFolder; }
    void SetSettingsFolder(const WideString& folder) override { settingsFolder = folder; }
    std::vector<WideString> GetSupportedExtensions() const override;

private:
    std::map<WideString, Folder> folders;
    std::map<WideString, std::size_t> listingFailures;
    std::set<WideString> unreadable;
    std::optional<std::string> nextSetWallpaperFailure;
    std::vector<WideString> installed;
    std::vector<std::vector<WideString>> installedSets;
    std::size_t monitorCount = 1;
    std::vector<WideString> listed;
    WideString settingsFolder;
    bool finishLater = false;
    std::deque<std::function<void()>> inFlight;
    bool listLater = false;
    std::deque<std::function<void()>> listingsInFlight;
};
