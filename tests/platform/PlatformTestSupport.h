#pragma once

#include <boost/filesystem.hpp>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/linux/converter/RgbImage.h"

namespace platform_test {

namespace fs = boost::filesystem;

// A fresh folder under the system's temporary folder, removed with everything in it.
class TemporaryFolder {
public:
    TemporaryFolder()
        : path(fs::temp_directory_path() / fs::unique_path("vornk-platform-%%%%-%%%%-%%%%")) {
        fs::create_directory(path);
    }
    ~TemporaryFolder() {
        boost::system::error_code ignored;
        // Folders a test made unwritable must be writable again to be removed.
        fs::permissions(path, fs::owner_all, ignored);
        for (fs::recursive_directory_iterator it(path, ignored), end; it != end;
             it.increment(ignored)) {
            if (fs::is_directory(it->symlink_status())) {
                fs::permissions(it->path(), fs::owner_all, ignored);
            }
        }
        fs::remove_all(path, ignored);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& Path() const { return path; }
    std::string operator/(const std::string& name) const { return (path / name).string(); }

private:
    fs::path path;
};

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (const char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Runs a shell command; throws when it fails.
inline void Shell(const std::string& command) {
    if (std::system(command.c_str()) != 0) {
        throw std::runtime_error("command failed: " + command);
    }
}

// The standard output of a shell command.
inline std::string Capture(const std::string& command) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        throw std::runtime_error("cannot run: " + command);
    }
    std::string output;
    char buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        output.append(buffer, count);
    }
    if (pclose(pipe) != 0) {
        throw std::runtime_error("command failed: " + command);
    }
    return output;
}

// The text without the line ends a command's output closes with.
inline std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) {
        text.pop_back();
    }
    return text;
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

// Session variables as NAME=VALUE words, to tell the cases of a table apart in messages.
inline std::string Describe(const std::map<std::string, std::string>& variables) {
    std::string described;
    for (const auto& [name, value] : variables) {
        described += name + "=" + value + " ";
    }
    return described;
}

// Decodes any image ImageMagick reads into RGB pixels (through a binary PPM).
inline RgbImage DecodeWithImageMagick(const std::string& path) {
    const std::string ppm = Capture("convert " + Quote(path) + " -depth 8 ppm:-");
    std::istringstream in(ppm);
    std::string magic;
    int maximum = 0;
    RgbImage image;
    in >> magic >> image.width >> image.height >> maximum;
    in.get();
    if (magic != "P6" || maximum != 255) {
        throw std::runtime_error("not an 8-bit PPM: " + path);
    }
    image.pixels.resize(static_cast<std::size_t>(image.width) * image.height * 3);
    in.read(reinterpret_cast<char*>(image.pixels.data()),
            static_cast<std::streamsize>(image.pixels.size()));
    return image;
}

// A smooth four-colour picture, made with ImageMagick.
inline void MakeGradient(const std::string& path, int width, int height,
                         const std::string& corners) {
    Shell("convert -size " + std::to_string(width) + "x" + std::to_string(height) +
          " xc: -sparse-color bilinear " + Quote(corners) + " -depth 8 " + Quote(path));
}

// The largest difference of any channel over the pixels of two same-sized pictures.
inline int LargestDifference(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height) {
        return 256;
    }
    int largest = 0;
    for (std::size_t i = 0; i < a.pixels.size(); ++i) {
        largest = std::max(largest, std::abs(int(a.pixels[i]) - int(b.pixels[i])));
    }
    return largest;
}

}  // namespace platform_test
