#pragma once

// The names under which the running copy is reached on the session bus, beside those of the
// requests (platform/remote/RemoteRequest.h). Shortcut settings and scripts spell them out, so they
// never change.
namespace remote_control_bus {

inline constexpr char kService[] = "software.vornk.WallpaperChanger";
inline constexpr char kObjectPath[] = "/software/vornk/WallpaperChanger";
inline constexpr char kInterface[] = "software.vornk.WallpaperChanger";
// The current wallpaper's path as its bytes with a closing zero byte (type "ay", as GLib passes
// file names), since a name that is not UTF-8 cannot be a D-Bus string.
inline constexpr char kCurrentWallpaperBytesProperty[] = "CurrentWallpaperBytes";
// Every picture shown, one for each monitor when they differ, in monitor order: as text (type
// "as") and as bytes (type "aay").
inline constexpr char kCurrentWallpapersProperty[] = "CurrentWallpapers";
inline constexpr char kCurrentWallpapersBytesProperty[] = "CurrentWallpapersBytes";

}  // namespace remote_control_bus
