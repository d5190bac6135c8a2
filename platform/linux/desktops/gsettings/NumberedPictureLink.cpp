#include "platform/linux/desktops/gsettings/NumberedPictureLink.h"

#include <charconv>
#include <iterator>
#include <map>
#include <optional>
#include <system_error>

#include "platform/linux/desktops/DesktopBackend.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "wallpaper-";
constexpr char kSuffix[] = ".bmp";

// The number in a name of ours, "wallpaper-<number>.bmp"; other files are not ours to touch.
std::optional<unsigned long long> NumberOf(const std::string& name) {
    const std::size_t prefix = sizeof kPrefix - 1;
    const std::size_t suffix = sizeof kSuffix - 1;
    if (name.size() <= prefix + suffix || name.compare(0, prefix, kPrefix) != 0 ||
        name.compare(name.size() - suffix, suffix, kSuffix) != 0 || name[prefix] == '0') {
        return std::nullopt;
    }
    unsigned long long number = 0;
    const char* end = name.data() + name.size() - suffix;
    const auto [stop, error] = std::from_chars(name.data() + prefix, end, number);
    return error == std::errc() && stop == end ? std::optional(number) : std::nullopt;
}

std::map<unsigned long long, fs::path> NumberedNames(const fs::path& folder) {
    std::map<unsigned long long, fs::path> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        if (const auto number = NumberOf(entry.path().filename().string())) {
            names.emplace(*number, entry.path());
        }
    }
    return names;
}

}  // namespace

NumberedPictureLink::NumberedPictureLink(const std::string& bitmapPath) {
    fs::path folder = fs::path(bitmapPath).parent_path();
    if (folder.empty()) {
        folder = ".";
    }
    auto names = NumberedNames(folder);
    const unsigned long long number = names.empty() ? 1 : names.rbegin()->first + 1;
    // The newest of them is the one shown now, and stays.
    if (!names.empty()) {
        names.erase(std::prev(names.end()));
    }
    for (auto& entry : names) {
        olderNames.push_back(std::move(entry.second));
    }
    const fs::path link = folder / (kPrefix + std::to_string(number) + kSuffix);
    std::error_code error;
    // A hard link costs no room; a copy serves a file system without them.
    fs::create_hard_link(bitmapPath, link, error);
    if (error && !fs::copy_file(bitmapPath, link, error)) {
        FailToShowWallpaper();
    }
    path = link.string();
}

NumberedPictureLink::~NumberedPictureLink() {
    if (!kept) {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
}

void NumberedPictureLink::Keep() {
    kept = true;
    for (const fs::path& name : olderNames) {
        std::error_code ignored;
        fs::remove(name, ignored);
    }
}
