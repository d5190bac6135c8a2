#pragma once

#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "model/WideString.h"
#include "sources/WallpaperEntry.h"

// Everything the wallpaper logic needs from the operating system and the image library.
class CoreInterface {
public:
    virtual ~CoreInterface() = default;
    // Appends the supported images of the folder (and below it) in listing order.
    virtual void FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) = 0;
    // FindImages without waiting for it: `done` runs on the calling thread with what was found
    // and the error that ended the listing early (null when none). A core whose listings are
    // quick keeps this default, which finishes before it returns.
    virtual void StartFindImages(const WideString& folder, bool withSubfolders,
                                 std::function<void(WallpaperList, std::exception_ptr)> done);
    // Converts the image to "wallpaper.bmp" in the settings folder and shows it on the desktop.
    virtual void SetWallpaper(const WideString& imagePath) = 0;
    // SetWallpaper without waiting for it: `done` runs on the calling thread once the wallpaper
    // is shown (null) or has failed (the error SetWallpaper would throw). A core whose work is
    // quick keeps this default, which finishes before it returns.
    virtual void StartSetWallpaper(const WideString& imagePath,
                                   std::function<void(std::exception_ptr)> done);
    // How many images a change takes when each monitor shows one of its own: the desktop's
    // monitors, at least one. This default has one.
    virtual std::size_t CountMonitors();
    // StartSetWallpaper with an image for each monitor, in monitor order (left to right, then top
    // to bottom); the first makes "wallpaper.bmp". A set shorter than the monitors (one taken
    // before a monitor was added) starts over from its first image. `imagePaths` is not empty.
    // This default shows the first image on every monitor.
    virtual void StartSetWallpapers(const std::vector<WideString>& imagePaths,
                                    std::function<void(std::exception_ptr)> done);
    // After the monitors changed: shows the wallpaper again, fitted to them, where the program
    // draws it itself or hands each monitor a picture of its own (desktops that read the bitmap
    // fit it on their own). The image or set last shown by this run, or `currentImages` (one
    // image, or one for each monitor) when there is none yet. Fails silently: the screen keeps
    // what it showed. This default does nothing.
    virtual void RedrawWallpaper(const std::vector<WideString>& currentImages);
    // For the program's exit, while the application object still exists: ends what it can of
    // the work in flight and waits for none of it beyond a short grace. False when some of it
    // still runs and may go on using the core and Qt: the process must then end at once.
    virtual bool ReleaseWork();
    virtual WideString Reserved() = 0;
    virtual bool IsSupportedImage(const WideString& path) = 0;
    virtual WideString GetSettingsFolder() const = 0;
    virtual void SetSettingsFolder(const WideString& folder) = 0;
    virtual std::vector<WideString> GetSupportedExtensions() const = 0;
};

// The process's core, created on first use and never destroyed.
CoreInterface& GetCore();

// Defined by the platform library linked into the program (or by a test's fake).
std::unique_ptr<CoreInterface> CreateCore();
