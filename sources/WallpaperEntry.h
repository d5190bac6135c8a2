#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>

#include "model/WideString.h"

// One image of the wallpaper list and the source that listed it. A library may hold a hundred
// thousand of them, hence the compact form: the entries of one listing share their source's path,
// and each keeps only the part of its file's path that follows that path (nearly always the whole
// path starts with it), one byte per code unit while every unit fits in one.
class WallpaperEntry final {
public:
    WallpaperEntry() = default;
    WallpaperEntry(const WideString& source, std::u16string_view file);
    WallpaperEntry(std::shared_ptr<const WideString> source, std::u16string_view file);
    // The file is the source's path followed by `rest`, each byte of which is one code unit.
    static WallpaperEntry UnderSource(std::shared_ptr<const WideString> source,
                                      std::string_view rest);

    WallpaperEntry(const WallpaperEntry& other);
    WallpaperEntry& operator=(const WallpaperEntry& other);
    WallpaperEntry(WallpaperEntry&& other) noexcept;
    WallpaperEntry& operator=(WallpaperEntry&& other) noexcept;
    ~WallpaperEntry() = default;

    // The path of the source that produced the entry, as spelled there.
    const WideString& GetSource() const;
    WideString GetFile() const;
    bool HasFile(std::u16string_view file) const;

    bool operator==(const WallpaperEntry& other) const;

private:
    std::size_t UnitWidth() const { return restIsWide ? 2 : 1; }
    void StoreRest(std::u16string_view text);
    void CopyRestOf(const WallpaperEntry& other);
    bool RestEquals(std::u16string_view text) const;
    char16_t RestUnit(std::size_t index) const;

    std::shared_ptr<const WideString> source;
    std::unique_ptr<std::uint8_t[]> rest;
    std::uint32_t restSize = 0;  // in code units
    bool restIsWide = false;
    bool fileStartsWithSource = false;
};

// A deque keeps erasing at the front (the in-order walk) constant-time on large libraries.
using WallpaperList = std::deque<WallpaperEntry>;
