#pragma once

#include <QByteArray>
#include <QProcessEnvironment>
#include <QStringList>
#include <optional>

// In a Wayland session Qt tries its Wayland plugin first and, where that plugin is not
// installed, warns before it falls back to X11 through Xwayland. The program goes to X11 at once
// instead. A platform the user chose (QT_QPA_PLATFORM) stays.

// The platform to ask Qt for, given the session's environment and the folders Qt looks for
// plugins in; none where Qt's own choice serves.
std::optional<QByteArray> DisplayPlatformFor(const QProcessEnvironment& environment,
                                             const QStringList& pluginFolders);

// Sets QT_QPA_PLATFORM for this process when DisplayPlatformFor names a platform. Before the
// application object exists.
void ChooseDisplayPlatform();
