#pragma once

#include <string>
#include <vector>

// Writes a bitmap into a desktop's background settings in GSettings (GNOME, Cinnamon and MATE
// keep theirs there, each in a schema of its own) and checks that the desktop's settings store
// took it.
class GSettingsPictureWriter final {
public:
    enum class Form { FileUri, PlainPath };
    // How a desktop comes to load the picture again although its path is the one it shows:
    // from an emptied value (Cinnamon, MATE), or from a path it has not shown before, which the
    // caller gives (GNOME Shell, which flashes its default background for an emptied value).
    enum class Reload { EmptyFirst, NewPath };
    // Each monitor filled with the whole picture keeping its aspect ratio, or one picture spread
    // over all of them (made from the monitors' own pictures).
    enum class Placement { FillEachMonitor, SpanMonitors };

    // The first of `pictureKeys` must exist in the schema; the others are written where the
    // installed schema has them (older desktops lack newer keys).
    GSettingsPictureWriter(std::string schema, std::vector<std::string> pictureKeys, Form form,
                           Reload reload);

    // Throws CoreError "Can't change desktop wallpaper" when the schema is not installed, the
    // settings store keeps values only inside this process, or a value does not read back.
    void Show(const std::string& bitmapPath,
              Placement placement = Placement::FillEachMonitor) const;

private:
    std::string schema;
    std::vector<std::string> pictureKeys;
    Form form;
    Reload reload;
};
