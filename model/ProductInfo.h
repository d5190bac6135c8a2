#pragma once

namespace product {

inline constexpr char kName[] = "Vornk Wallpaper Changer";
inline constexpr char kVersion[] = "1.0";
inline constexpr char kMakerFolderName[] = "Vornk Software";
inline constexpr char kWindowClass[] = "QWidget";
inline constexpr char kAnotherCopyPrefix[] = "Another copy of ";
inline constexpr char kAnotherCopySuffix[] = " already running. Look to a system tray or task bar";

}  // namespace product
