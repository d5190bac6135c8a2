#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/CoreInterface.h"
#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/SessionEnvironment.h"
#include "platform/worker/ListingWorker.h"
#include "platform/worker/WorkerThread.h"

// The platform core on Linux: listings read from the directory streams (DirectoryWalk.h), the
// conversion in a converter process (ConverterRun.h), and the desktop backend that fits the
// session (DesktopBackendChooser). Once the application object exists, changes and listings run
// beside its event loop, each on a thread of its own, so that a slow folder delays no change.
class LinuxCore final : public CoreInterface {
public:
    // Throws a file-system error when the working directory cannot be determined.
    explicit LinuxCore(SessionEnvironment session);
    LinuxCore(const LinuxCore&) = delete;
    LinuxCore& operator=(const LinuxCore&) = delete;

    void FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) override;
    void SetWallpaper(const WideString& imagePath) override;
    void StartSetWallpaper(const WideString& imagePath,
                           std::function<void(std::exception_ptr)> done) override;
    std::size_t CountMonitors() override;
    void StartSetWallpapers(const std::vector<WideString>& imagePaths,
                            std::function<void(std::exception_ptr)> done) override;
    void StartFindImages(const WideString& folder, bool withSubfolders,
                         std::function<void(WallpaperList, std::exception_ptr)> done) override;
    void RedrawWallpaper(const std::vector<WideString>& currentImages) override;
    bool ReleaseWork() override;
    WideString Reserved() override;
    bool IsSupportedImage(const WideString& path) override;
    WideString GetSettingsFolder() const override;
    void SetSettingsFolder(const WideString& folder) override;
    std::vector<WideString> GetSupportedExtensions() const override;

private:
    static void GiveBackFreedMemory();
    std::unique_ptr<DesktopBackend> ChooseBackend() const;
    void ShowAsWallpaper(const WideString& imagePath, const WideString& folder);
    // backend: null when no desktop fits the session.
    void ShowThrough(DesktopBackend* backend, const WideString& imagePath,
                     const WideString& folder);
    void ShowEachAsWallpaper(const std::vector<WideString>& imagePaths, const WideString& folder);
    // backend: null when no desktop fits the session; monitors: its Monitors().
    void ShowEachThrough(DesktopBackend* backend, const std::vector<DesktopMonitor>& monitors,
                         const std::vector<WideString>& imagePaths, const WideString& folder);
    void ShowOnEachMonitor(DesktopBackend& backend, const std::vector<DesktopMonitor>& monitors,
                           const std::vector<WideString>& imagePaths, const WideString& folder);
    void Redraw(const WideString& imagePath, const WideString& folder);
    void RedrawEach(const std::vector<WideString>& imagePaths, const WideString& folder);
    // toScreen: what the drawer shows for the converter's picture; that picture itself without.
    void DrawWhileWriting(PictureDrawer& drawer, const ScreenLayout& layout,
                          const std::string& imagePath, const std::string& bitmapPath,
                          const std::function<RgbImage(const RgbImage&)>& toScreen = {});

    SessionEnvironment session;
    WideString settingsFolder;
    const std::vector<WideString> extensions;
    // Touched only where the changes run, in their order. The images of the last change: one
    // for all monitors, or one for each.
    std::vector<WideString> lastShown;
    // Last, so that they are gone before what their work uses.
    WorkerThread changes;
    ListingWorker listings{*this, GiveBackFreedMemory};
};
