#include "platform/linux/PcmanfmBackend.h"

#include <boost/filesystem/operations.hpp>
#include <boost/filesystem/path.hpp>

#include <utility>

#include "platform/linux/HelperProcess.h"

namespace fs = boost::filesystem;

PcmanfmBackend::PcmanfmBackend(std::string name, std::string program, std::string mode)
    : name(std::move(name)), program(std::move(program)), mode(std::move(mode)) {}

// pcmanfm-qt 1.2 takes "zoom" on the command line as no picture at all; "fit" is the mode
// that keeps the aspect ratio.
PcmanfmBackend PcmanfmBackend::ForLxqt() {
    return {"LXQt", "pcmanfm-qt", "fit"};
}

// "crop" fills the screen keeping the aspect ratio.
PcmanfmBackend PcmanfmBackend::ForLxde() {
    return {"LXDE", "pcmanfm", "crop"};
}

void PcmanfmBackend::ShowWallpaper(const std::string& bitmapPath) {
    const fs::path plain = fs::absolute(fs::path(bitmapPath));
    // The desktop keeps a scaled copy keyed on the path string and would show it again for the
    // same path, new content or not. The same file under another spelling of its path draws
    // the new content; the plain path then is what the desktop remembers.
    const fs::path respelled = plain.parent_path() / "." / plain.filename();
    for (const fs::path& path : {respelled, plain}) {
        if (!HelperProcess::Run(
                {program, "--set-wallpaper", path.string(), "--wallpaper-mode", mode})) {
            FailToShowWallpaper();
        }
    }
}
