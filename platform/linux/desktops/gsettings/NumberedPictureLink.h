#pragma once

#include <filesystem>
#include <string>
#include <vector>

// For desktops that take a picture again only under a name they have not shown: each change
// links "wallpaper.bmp" as the next of wallpaper-1.bmp, wallpaper-2.bmp, ... in its folder. Once
// the desktop has it, Keep removes every older name but the one before, which the desktop may
// still be fading from; removing a name it shows would make it fall back to its default.
class NumberedPictureLink final {
public:
    // Throws CoreError "Can't change desktop wallpaper" when the name cannot be made.
    explicit NumberedPictureLink(const std::string& bitmapPath);
    // Removes the new name unless it was kept.
    ~NumberedPictureLink();
    NumberedPictureLink(const NumberedPictureLink&) = delete;
    NumberedPictureLink& operator=(const NumberedPictureLink&) = delete;

    const std::string& Path() const { return path; }
    void Keep();

private:
    // Found before this name was made: all but the one shown then.
    std::vector<std::filesystem::path> olderNames;
    std::string path;
    bool kept = false;
};
