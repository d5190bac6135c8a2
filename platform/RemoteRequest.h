#pragma once

// What another process of the same user can ask of the running copy.
enum class RemoteRequest { NextWallpaper, PreviousWallpaper, ShowWindow, Exit };
