#include "platform/linux/WallpaperBitmap.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <glib.h>
#include <unistd.h>

#include "model/CoreError.h"
#include "platform/linux/DevilImage.h"

namespace {

// A unique, already created file next to the bitmap; removed unless it was renamed into place.
class TemporaryFile final {
public:
    explicit TemporaryFile(const std::string& target) {
        std::vector<char> name(target.begin(), target.end());
        for (const char c : std::string(".XXXXXX")) {
            name.push_back(c);
        }
        name.push_back('\0');
        // Unlike mkstemp's 0600, 0666 less the umask: the mode a plain save would give.
        const int descriptor = g_mkstemp_full(name.data(), O_RDWR, 0666);
        if (descriptor >= 0) {
            close(descriptor);
            path.assign(name.data());
        }
    }
    ~TemporaryFile() {
        if (!path.empty()) {
            std::remove(path.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    bool IsCreated() const { return !path.empty(); }
    const std::string& Path() const { return path; }
    bool RenameTo(const std::string& target) {
        if (std::rename(path.c_str(), target.c_str()) != 0) {
            return false;
        }
        path.clear();
        return true;
    }

private:
    std::string path;
};

}  // namespace

void WriteWallpaperBitmap(const std::string& imagePath, const std::string& bitmapPath) {
    DevilImage image;
    if (!image.Load(imagePath)) {
        throw CoreError("Can't load image");
    }
    TemporaryFile temporary(bitmapPath);
    if (!temporary.IsCreated() || !image.SaveBitmap(temporary.Path()) ||
        !temporary.RenameTo(bitmapPath)) {
        throw CoreError("Can't save image");
    }
}
