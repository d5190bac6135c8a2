#include "sources/WallpaperEntry.h"

#include <algorithm>
#include <cstring>
#include <utility>

// The list holds one per image of the library: its size must not grow unnoticed.
static_assert(sizeof(WallpaperEntry) <= 4 * sizeof(void*));

namespace {

bool FitsOneByte(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t unit) { return unit <= 0xFF; });
}

}  // namespace

WallpaperEntry::WallpaperEntry(const WideString& source, std::u16string_view file)
    : WallpaperEntry(std::make_shared<const WideString>(source), file) {}

WallpaperEntry::WallpaperEntry(std::shared_ptr<const WideString> source, std::u16string_view file)
    : source(std::move(source)) {
    fileStartsWithSource = file.starts_with(*this->source);
    StoreRest(fileStartsWithSource ? file.substr(this->source->size()) : file);
}

WallpaperEntry WallpaperEntry::UnderSource(std::shared_ptr<const WideString> source,
                                           std::string_view rest) {
    WallpaperEntry entry;
    entry.source = std::move(source);
    entry.fileStartsWithSource = true;
    entry.restSize = static_cast<std::uint32_t>(rest.size());
    if (!rest.empty()) {
        entry.rest = std::make_unique_for_overwrite<std::uint8_t[]>(rest.size());
        std::memcpy(entry.rest.get(), rest.data(), rest.size());
    }
    return entry;
}

WallpaperEntry::WallpaperEntry(const WallpaperEntry& other)
    : source(other.source), fileStartsWithSource(other.fileStartsWithSource) {
    CopyRestOf(other);
}

WallpaperEntry& WallpaperEntry::operator=(const WallpaperEntry& other) {
    if (this != &other) {
        source = other.source;
        fileStartsWithSource = other.fileStartsWithSource;
        CopyRestOf(other);
    }
    return *this;
}

// The moved-from entry is left empty rather than with a size that its storage no longer has.
WallpaperEntry::WallpaperEntry(WallpaperEntry&& other) noexcept
    : source(std::move(other.source)),
      rest(std::move(other.rest)),
      restSize(std::exchange(other.restSize, 0)),
      restIsWide(std::exchange(other.restIsWide, false)),
      fileStartsWithSource(std::exchange(other.fileStartsWithSource, false)) {}

WallpaperEntry& WallpaperEntry::operator=(WallpaperEntry&& other) noexcept {
    source = std::move(other.source);
    rest = std::move(other.rest);
    restSize = std::exchange(other.restSize, 0);
    restIsWide = std::exchange(other.restIsWide, false);
    fileStartsWithSource = std::exchange(other.fileStartsWithSource, false);
    return *this;
}

const WideString& WallpaperEntry::GetSource() const {
    static const WideString none;
    return source ? *source : none;
}

WideString WallpaperEntry::GetFile() const {
    WideString file;
    const std::u16string_view prefix =
        fileStartsWithSource ? std::u16string_view(GetSource()) : std::u16string_view();
    file.reserve(prefix.size() + restSize);
    file.append(prefix);
    for (std::size_t i = 0; i < restSize; ++i) {
        file.push_back(RestUnit(i));
    }
    return file;
}

bool WallpaperEntry::HasFile(std::u16string_view file) const {
    if (!fileStartsWithSource) {
        return RestEquals(file);
    }
    const WideString& prefix = GetSource();
    return file.starts_with(prefix) && RestEquals(file.substr(prefix.size()));
}

// The form of the rest depends on its text only, so equal entries hold equal bytes.
bool WallpaperEntry::operator==(const WallpaperEntry& other) const {
    return GetSource() == other.GetSource() && fileStartsWithSource == other.fileStartsWithSource &&
           restSize == other.restSize && restIsWide == other.restIsWide &&
           std::equal(rest.get(), rest.get() + restSize * UnitWidth(), other.rest.get());
}

void WallpaperEntry::StoreRest(std::u16string_view text) {
    restSize = static_cast<std::uint32_t>(text.size());
    restIsWide = !FitsOneByte(text);
    rest.reset();
    if (text.empty()) {
        return;
    }
    rest = std::make_unique_for_overwrite<std::uint8_t[]>(text.size() * UnitWidth());
    if (restIsWide) {
        std::memcpy(rest.get(), text.data(), text.size() * sizeof(char16_t));
    } else {
        std::transform(text.begin(), text.end(), rest.get(),
                       [](char16_t unit) { return static_cast<std::uint8_t>(unit); });
    }
}

void WallpaperEntry::CopyRestOf(const WallpaperEntry& other) {
    restSize = other.restSize;
    restIsWide = other.restIsWide;
    rest.reset();
    if (const std::size_t bytes = restSize * UnitWidth(); bytes != 0) {
        rest = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
        std::memcpy(rest.get(), other.rest.get(), bytes);
    }
}

bool WallpaperEntry::RestEquals(std::u16string_view text) const {
    if (text.size() != restSize) {
        return false;
    }
    for (std::size_t i = 0; i < restSize; ++i) {
        if (RestUnit(i) != text[i]) {
            return false;
        }
    }
    return true;
}

char16_t WallpaperEntry::RestUnit(std::size_t index) const {
    if (!restIsWide) {
        return rest[index];
    }
    char16_t unit = 0;
    std::memcpy(&unit, rest.get() + index * sizeof(char16_t), sizeof(char16_t));
    return unit;
}
