#include "tests/fakes/FakeCore.h"

#include <stdexcept>

#include "model/CoreError.h"
#include "platform/ImageExtensions.h"

std::unique_ptr<CoreInterface> CreateCore() {
    return std::make_unique<FakeCore>();
}

FakeCore& FakeCore::Instance() {
    return static_cast<FakeCore&>(GetCore());
}

void FakeCore::Reset() {
    *this = FakeCore();
}

void FakeCore::AddFolder(const WideString& path, Folder folder) {
    folders[path] = std::move(folder);
}

void FakeCore::RemoveFolder(const WideString& path) {
    folders.erase(path);
}

void FakeCore::FailListingAfter(const WideString& path, std::size_t count) {
    listingFailures[path] = count;
}

void FakeCore::MakeUnreadable(const WideString& imagePath) {
    unreadable.insert(imagePath);
}

void FakeCore::FailNextSetWallpaper(const std::string& message) {
    nextSetWallpaperFailure = message;
}

void FakeCore::FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) {
    listed.push_back(folder);
    const auto found = folders.find(folder);
    if (found == folders.end()) {
        throw CoreError("Specified path does not exist: ");
    }
    std::vector<WideString> files = found->second.files;
    if (withSubfolders) {
        files.insert(files.end(), found->second.nestedFiles.begin(),
                     found->second.nestedFiles.end());
    }
    const auto failure = listingFailures.find(folder);
    const bool failing = failure != listingFailures.end();
    const std::size_t limit = failing ? std::min(failure->second, files.size()) : files.size();
    for (std::size_t i = 0; i < limit; ++i) {
        if (IsSupportedImage(files[i])) {
            list.push_back({folder, files[i]});
        }
    }
    if (failing) {
        listingFailures.erase(failure);
        throw std::runtime_error("fake listing failure");
    }
}

void FakeCore::StartFindImages(const WideString& folder, bool withSubfolders,
                               std::function<void(WallpaperList, std::exception_ptr)> done) {
    if (!listLater) {
        CoreInterface::StartFindImages(folder, withSubfolders, std::move(done));
        return;
    }
    listingsInFlight.push_back([this, folder, withSubfolders, done = std::move(done)] {
        CoreInterface::StartFindImages(folder, withSubfolders, done);
    });
}

void FakeCore::SetWallpaper(const WideString& imagePath) {
    if (nextSetWallpaperFailure) {
        const std::string message = *nextSetWallpaperFailure;
        nextSetWallpaperFailure.reset();
        throw CoreError(message);
    }
    if (unreadable.contains(imagePath)) {
        throw CoreError("Can't load image");
    }
    installed.push_back(imagePath);
}

void FakeCore::StartSetWallpaper(const WideString& imagePath,
                                 std::function<void(std::exception_ptr)> done) {
    if (!finishLater) {
        CoreInterface::StartSetWallpaper(imagePath, std::move(done));
        return;
    }
    inFlight.push_back([this, imagePath, done = std::move(done)] {
        CoreInterface::StartSetWallpaper(imagePath, done);
    });
}

// Fails, or waits, as its first picture would alone.
void FakeCore::StartSetWallpapers(const std::vector<WideString>& imagePaths,
                                  std::function<void(std::exception_ptr)> done) {
    StartSetWallpaper(imagePaths.front(), [this, imagePaths, done](std::exception_ptr error) {
        if (!error) {
            installed.insert(installed.end(), imagePaths.begin() + 1, imagePaths.end());
            installedSets.push_back(imagePaths);
        }
        done(error);
    });
}

void FakeCore::FinishChangesLater() {
    finishLater = true;
}

bool FakeCore::FinishChange() {
    if (inFlight.empty()) {
        return false;
    }
    const std::function<void()> finish = std::move(inFlight.front());
    inFlight.pop_front();
    finish();
    return true;
}

void FakeCore::FinishListingsLater() {
    listLater = true;
}

bool FakeCore::FinishListing() {
    if (listingsInFlight.empty()) {
        return false;
    }
    const std::function<void()> finish = std::move(listingsInFlight.front());
    listingsInFlight.pop_front();
    finish();
    return true;
}

bool FakeCore::IsSupportedImage(const WideString& path) {
    return HasSupportedExtension(path, SupportedExtensions());
}

std::vector<WideString> FakeCore::GetSupportedExtensions() const {
    return SupportedExtensions();
}
