#include "platform/linux/NumberedPictureLink.h"

#include <iterator>
#include <map>
#include <system_error>

#include "platform/linux/DesktopBackend.h"

namespace fs = std::filesystem;

namespace {

constexpr char kPrefix[] = "wallpaper-";
constexpr char kSuffix[] = ".bmp";

// The numbered names in `folder`, by number; other files are not ours to touch.
std::map<unsigned long long, fs::path> NumberedNames(const fs::path& folder) {
    std::map<unsigned long long, fs::path> names;
    std::error_code error;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder, error)) {
        const std::string name = entry.path().filename().string();
        const std::string::size_type digits = sizeof kPrefix - 1;
        const std::string::size_type suffix = name.size() - (sizeof kSuffix - 1);
        if (name.size() <= digits + sizeof kSuffix - 1 || name.compare(0, digits, kPrefix) != 0 ||
            name.compare(suffix, std::string::npos, kSuffix) != 0 ||
            name.find_first_not_of("0123456789", digits) != suffix || name[digits] == '0') {
            continue;
        }
        names.emplace(std::stoull(name.substr(digits, suffix - digits)), entry.path());
    }
    return names;
}

}  // namespace

NumberedPictureLink::NumberedPictureLink(const std::string& bitmapPath)
    : folder(fs::path(bitmapPath).parent_path()) {
    if (folder.empty()) {
        folder = ".";
    }
    const auto names = NumberedNames(folder);
    number = names.empty() ? 1 : names.rbegin()->first + 1;
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
    auto names = NumberedNames(folder);
    auto newer = names.lower_bound(number);
    // The names below the one before this.
    names.erase(newer == names.begin() ? newer : std::prev(newer), names.end());
    for (const auto& [older, name] : names) {
        std::error_code ignored;
        fs::remove(name, ignored);
    }
}
