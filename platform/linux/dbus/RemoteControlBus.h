#pragma once

#include <QDBusConnection>
#include <QString>
#include <optional>

// The names under which the running copy is reached on the session bus. Shortcut settings and
// scripts spell them out, so they never change.
namespace remote_control_bus {

inline constexpr char kService[] = "software.vornk.WallpaperChanger";
inline constexpr char kObjectPath[] = "/software/vornk/WallpaperChanger";
inline constexpr char kInterface[] = "software.vornk.WallpaperChanger";
inline constexpr char kCurrentWallpaperProperty[] = "CurrentWallpaper";

// The session's bus as a connection of the given name, or nothing when the session has no bus.
// The caller disconnects it by that name.
std::optional<QDBusConnection> Connect(const QString& connectionName);

}  // namespace remote_control_bus
