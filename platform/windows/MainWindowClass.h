#pragma once

// The window class under which Qt's Windows platform plugin registers a normal top-level widget
// window such as our main window. It carries the Qt version, so the build passes it in
// (QtWindowClass.cmake).
inline constexpr char kMainWindowClass[] = VORNK_QT_WINDOW_CLASS;
