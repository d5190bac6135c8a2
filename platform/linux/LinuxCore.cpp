#include "platform/linux/LinuxCore.h"

#include <boost/filesystem/operations.hpp>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <string_view>
#include <utility>

#include <malloc.h>

#include "model/CoreError.h"
#include "platform/FileReplacement.h"
#include "platform/ImageExtensions.h"
#include "platform/NativeDesktop.h"
#include "platform/linux/DirectoryWalk.h"
#include "platform/linux/NativePath.h"
#include "platform/linux/change/ConverterRun.h"
#include "platform/linux/change/ImageConverterProcess.h"
#include "platform/linux/desktops/DesktopBackendChooser.h"
#include "platform/linux/desktops/MonitorComposition.h"
#include "platform/linux/desktops/ScreenPictureFile.h"

namespace fs = boost::filesystem;

namespace {

// Long enough for a converter run to notice that it is stopped and to end its process.
constexpr std::chrono::milliseconds kConverterStopGrace{300};

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char byte) { return static_cast<unsigned char>(byte) < 0x80; });
}

std::string BitmapPathIn(const WideString& settingsFolder) {
    return ToNativeBytes(settingsFolder + kNativeSeparator + u"wallpaper.bmp");
}

// What the converter fills for one monitor: a screen of that monitor's size.
ScreenLayout OneMonitor(const DesktopMonitor& monitor) {
    return {{monitor.area.width, monitor.area.height}, {}};
}

}  // namespace

LinuxCore::LinuxCore(SessionEnvironment session)
    : session(std::move(session)),
      settingsFolder(FromNativePath(fs::current_path())),
      extensions(SupportedExtensions()) {}

void LinuxCore::FindImages(const WideString& folder, WallpaperList& list, bool withSubfolders) {
    const std::string root = ToNativeBytes(folder);
    if (!fs::exists(fs::path(root))) {
        throw CoreError("Specified path does not exist: ");
    }
    const auto source = std::make_shared<const WideString>(folder);
    // Every path starts with the root's bytes; where those spell the folder exactly, an ASCII
    // remainder is already the rest of the file's wide path and needs no decoding.
    const bool rootSpellsFolder = FromNativeBytes(root) == folder;
    // Pre-order in listing order; links to folders are not entered (DirectoryWalk.h).
    WalkDirectory(root, withSubfolders, [&](const std::string& candidate) {
        if (!HasSupportedExtension(candidate, extensions)) {
            return;
        }
        const std::string_view rest = std::string_view(candidate).substr(root.size());
        if (rootSpellsFolder && IsAscii(rest)) {
            list.push_back(WallpaperEntry::UnderSource(source, rest));
        } else {
            list.emplace_back(source, FromNativeBytes(candidate));
        }
    });
}

// A refill comes once the previous pass's entries have all been freed; what was allocated since
// keeps glibc from returning their pages by itself (a library's worth), so it is asked to.
void LinuxCore::GiveBackFreedMemory() {
    malloc_trim(0);
}

void LinuxCore::SetWallpaper(const WideString& imagePath) {
    ShowAsWallpaper(imagePath, settingsFolder);
}

// The backend that fits the session, or none.
std::unique_ptr<DesktopBackend> LinuxCore::ChooseBackend() const {
    return DesktopBackendChooser::NameFor(session) ? DesktopBackendChooser::Choose(session)
                                                   : nullptr;
}

void LinuxCore::ShowAsWallpaper(const WideString& imagePath, const WideString& folder) {
    // Chosen first, for the size of a picture it draws itself; a session without any desktop
    // still reports the conversion's errors first.
    ShowThrough(ChooseBackend().get(), imagePath, folder);
}

void LinuxCore::ShowThrough(DesktopBackend* backend, const WideString& imagePath,
                            const WideString& folder) {
    const std::string bitmapPath = BitmapPathIn(folder);
    PictureDrawer* drawer = backend ? backend->Drawer() : nullptr;
    const std::optional<ScreenLayout> layout = drawer ? drawer->Layout() : std::nullopt;
    if (layout) {
        DrawWhileWriting(*drawer, *layout, ToNativeBytes(imagePath), bitmapPath);
    } else {
        RunConverter(ToNativeBytes(imagePath), bitmapPath);
        if (!backend) {
            FailToShowWallpaper();
        }
        backend->ShowWallpaper(bitmapPath);
    }
    lastShown = {imagePath};
}

void LinuxCore::ShowEachAsWallpaper(const std::vector<WideString>& imagePaths,
                                    const WideString& folder) {
    const std::unique_ptr<DesktopBackend> backend = ChooseBackend();
    ShowEachThrough(backend.get(), backend ? backend->Monitors() : std::vector<DesktopMonitor>(),
                    imagePaths, folder);
}

void LinuxCore::ShowEachThrough(DesktopBackend* backend,
                                const std::vector<DesktopMonitor>& monitors,
                                const std::vector<WideString>& imagePaths,
                                const WideString& folder) {
    if (monitors.size() < 2) {
        ShowThrough(backend, imagePaths.front(), folder);
    } else {
        ShowOnEachMonitor(*backend, monitors, imagePaths, folder);
    }
    lastShown = imagePaths;
}

// Every other monitor's picture is made first, so that a failure leaves the bitmap as it was.
void LinuxCore::ShowOnEachMonitor(DesktopBackend& backend,
                                  const std::vector<DesktopMonitor>& monitors,
                                  const std::vector<WideString>& imagePaths,
                                  const WideString& folder) {
    std::vector<MonitorPicture> pictures(monitors.size());
    for (std::size_t index = 1; index < monitors.size(); ++index) {
        const WideString& imagePath = imagePaths[index % imagePaths.size()];
        pictures[index] = {monitors[index],
                           ConvertToPicture(ToNativeBytes(imagePath), OneMonitor(monitors[index]))};
    }
    const std::string bitmapPath = BitmapPathIn(folder);
    pictures.front().monitor = monitors.front();
    PictureDrawer* drawer = backend.ComposingDrawer();
    const std::optional<ScreenLayout> screen = drawer ? drawer->Layout() : std::nullopt;
    if (screen) {
        DrawWhileWriting(*drawer, OneMonitor(monitors.front()), ToNativeBytes(imagePaths.front()),
                         bitmapPath, [&](const RgbImage& first) {
                             pictures.front().picture = first;
                             return MonitorComposition::OnScreen(pictures, screen->size);
                         });
        return;
    }
    RunConverter(ToNativeBytes(imagePaths.front()), bitmapPath,
                 DrawnPictureRequest{OneMonitor(monitors.front()), [&](const RgbImage& made) {
                                         pictures.front().picture = made;
                                     }});
    backend.ShowOnMonitors(pictures, bitmapPath);
}

// Through the whole change again, the bitmap included: the monitors' new sizes need a new
// decoding, and the bitmap stays the picture on the screen.
void LinuxCore::Redraw(const WideString& imagePath, const WideString& folder) {
    const std::unique_ptr<DesktopBackend> backend = ChooseBackend();
    if (!imagePath.empty() && backend && backend->Drawer()) {
        ShowThrough(backend.get(), imagePath, folder);
    }
}

// Desktops that know their monitors get a picture for each of them again, whether they draw
// them or read files.
void LinuxCore::RedrawEach(const std::vector<WideString>& imagePaths, const WideString& folder) {
    const std::unique_ptr<DesktopBackend> backend = ChooseBackend();
    if (!backend) {
        return;
    }
    const std::vector<DesktopMonitor> monitors = backend->Monitors();
    if (backend->Drawer() || !monitors.empty()) {
        ShowEachThrough(backend.get(), monitors, imagePaths, folder);
    }
}

// The picture is on the screen as soon as it is scaled, while the large bitmap is still being
// written; should the bitmap fail, the screen goes back to the picture of before.
void LinuxCore::DrawWhileWriting(PictureDrawer& drawer, const ScreenLayout& layout,
                                 const std::string& imagePath, const std::string& bitmapPath,
                                 const std::function<RgbImage(const RgbImage&)>& toScreen) {
    bool shown = false;
    std::exception_ptr drawFailure;
    // Beside the decoding, which takes far longer: the picture then goes straight on.
    std::future<void> preparing = std::async(std::launch::async, [&drawer] { drawer.Prepare(); });
    const auto draw = [&](const RgbImage& picture) {
        try {
            preparing.get();
            // Not one conditional expression: it would copy the picture that needs no change.
            if (toScreen) {
                drawer.Show(toScreen(picture));
            } else {
                drawer.Show(picture);
            }
            shown = true;
        } catch (...) {
            drawFailure = std::current_exception();
        }
    };
    try {
        RunConverter(imagePath, bitmapPath, DrawnPictureRequest{layout, draw});
    } catch (...) {
        if (shown) {
            drawer.TakeBack();
        }
        throw;
    }
    if (drawFailure) {
        std::rethrow_exception(drawFailure);
    }
    drawer.Keep(bitmapPath);
}

// The settings folder is read here: the user may choose another one while the change runs.
void LinuxCore::StartSetWallpaper(const WideString& imagePath,
                                  std::function<void(std::exception_ptr)> done) {
    changes.Start(
        [this, imagePath, folder = settingsFolder] { ShowAsWallpaper(imagePath, folder); },
        std::move(done));
}

void LinuxCore::StartSetWallpapers(const std::vector<WideString>& imagePaths,
                                   std::function<void(std::exception_ptr)> done) {
    changes.Start(
        [this, imagePaths, folder = settingsFolder] { ShowEachAsWallpaper(imagePaths, folder); },
        std::move(done));
}

// The GUI thread asks before each change: one backend's own question, no conversion.
std::size_t LinuxCore::CountMonitors() {
    const std::unique_ptr<DesktopBackend> backend = ChooseBackend();
    return backend ? std::max<std::size_t>(1, backend->Monitors().size()) : 1;
}

// Queued behind the changes in flight, so that it draws the last of them.
void LinuxCore::RedrawWallpaper(const std::vector<WideString>& currentImages) {
    changes.Start(
        [this, currentImages, folder = settingsFolder] {
            const std::vector<WideString>& images = lastShown.empty() ? currentImages : lastShown;
            if (images.size() > 1) {
                RedrawEach(images, folder);
            } else if (!images.empty()) {
                Redraw(images.front(), folder);
            }
        },
        [](const std::exception_ptr&) {});
}

void LinuxCore::StartFindImages(const WideString& folder, bool withSubfolders,
                                std::function<void(WallpaperList, std::exception_ptr)> done) {
    listings.Start(folder, withSubfolders, std::move(done));
}

bool LinuxCore::ReleaseWork() {
    const ImageConverterProcess::Stop stop = ImageConverterProcess::StopAll();
    const bool changeEnded = changes.Release(kConverterStopGrace);
    const bool listingEnded = listings.Release();
    return changeEnded && listingEnded;
}

WideString LinuxCore::Reserved() {
    return {};
}

bool LinuxCore::IsSupportedImage(const WideString& path) {
    return HasSupportedExtension(path, extensions);
}

WideString LinuxCore::GetSettingsFolder() const {
    return settingsFolder;
}

void LinuxCore::SetSettingsFolder(const WideString& folder) {
    settingsFolder = folder;
    CreateFolder(folder);
    // A change cut short by the program's death leaves a full-size temporary bitmap behind.
    RemoveInterruptedReplacements(BitmapPathIn(folder));
    RemoveInterruptedReplacements(ScreenPictureFile::PathBeside(BitmapPathIn(folder)));
}

std::vector<WideString> LinuxCore::GetSupportedExtensions() const {
    return extensions;
}

std::unique_ptr<CoreInterface> CreateCore() {
    return std::make_unique<LinuxCore>(SessionEnvironment::FromProcess());
}
