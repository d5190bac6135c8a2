#pragma once

#include <windows.h>

#include "platform/remote/RemoteControlServer.h"

class RemoteRequestHandler;

// Takes the command line's WM_COPYDATA requests at the main window, through a subclass of its
// window procedure, for as long as it exists. Requests from windows of other users and
// malformed ones are ignored with a line on standard error.
class CopyDataRemoteControl final : public RemoteControlServer {
public:
    CopyDataRemoteControl(HWND window, RemoteRequestHandler& handler);
    ~CopyDataRemoteControl() override;
    CopyDataRemoteControl(const CopyDataRemoteControl&) = delete;
    CopyDataRemoteControl& operator=(const CopyDataRemoteControl&) = delete;

    bool IsListening() const { return listening; }
    // Nobody watches the wallpaper through window messages.
    void CurrentWallpaperChanged() override {}

private:
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR id, DWORD_PTR self);
    BOOL Receive(HWND sender, const COPYDATASTRUCT& data);
    BOOL ReplyCurrentWallpaper(HWND sender);

    HWND window;
    RemoteRequestHandler& handler;
    bool listening = false;
};
