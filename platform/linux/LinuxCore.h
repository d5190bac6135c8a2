#pragma once

#include <vector>

#include "platform/CoreInterface.h"
#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/SessionEnvironment.h"

// The platform core on Linux: Boost.Filesystem listings, the conversion in a converter process
// (ConverterRun.h), and the desktop backend that fits the session (DesktopBackendChooser).
// Once the application's event loop exists, changes run beside it (StartSetWallpaper).
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
    WideString Reserved() override;
    bool IsSupportedImage(const WideString& path) override;
    WideString GetSettingsFolder() const override;
    void SetSettingsFolder(const WideString& folder) override;
    std::vector<WideString> GetSupportedExtensions() const override;

private:
    void DrawWhileWriting(PictureDrawer& drawer, PictureSize size, const std::string& imagePath,
                          const std::string& bitmapPath);

    SessionEnvironment session;
    WideString settingsFolder;
    const std::vector<WideString> extensions;
};
