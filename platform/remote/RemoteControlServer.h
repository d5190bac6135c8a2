#pragma once

#include <cstdint>
#include <memory>

class RemoteRequestHandler;

// Makes the running copy reachable by the functions of RemoteControlClient.h for as long as it
// exists. Each platform library defines the factory.
class RemoteControlServer {
public:
    virtual ~RemoteControlServer() = default;
    // Tells those who watch the current wallpaper that it has changed.
    virtual void CurrentWallpaperChanged() = 0;
};

// Nothing, after a line on standard error, when the system offers no way in (no session bus);
// the program then runs without remote control. The main window's native handle is where
// requests arrive on systems that deliver them to a window.
std::unique_ptr<RemoteControlServer> CreateRemoteControlServer(std::uintptr_t mainWindow,
                                                               RemoteRequestHandler& handler);
