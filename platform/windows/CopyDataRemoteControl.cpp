#include "platform/windows/CopyDataRemoteControl.h"

#include <commctrl.h>

#include <iostream>

#include "platform/remote/RemoteRequest.h"
#include "platform/remote/RemoteRequestHandler.h"
#include "platform/windows/CopyDataProtocol.h"

namespace {

constexpr UINT_PTR kSubclassId = 0x564B;

}  // namespace

std::unique_ptr<RemoteControlServer> CreateRemoteControlServer(std::uintptr_t mainWindow,
                                                               RemoteRequestHandler& handler) {
    auto server =
        std::make_unique<CopyDataRemoteControl>(reinterpret_cast<HWND>(mainWindow), handler);
    if (!server->IsListening()) {
        std::cerr << "Cannot take requests at the main window: the command line cannot reach "
                     "this copy\n";
        return nullptr;
    }
    return server;
}

CopyDataRemoteControl::CopyDataRemoteControl(HWND window, RemoteRequestHandler& handler)
    : window(window), handler(handler) {
    listening = SetWindowSubclass(window, &CopyDataRemoteControl::WindowProcedure, kSubclassId,
                                  reinterpret_cast<DWORD_PTR>(this)) != FALSE;
}

CopyDataRemoteControl::~CopyDataRemoteControl() {
    if (listening) {
        RemoveWindowSubclass(window, &CopyDataRemoteControl::WindowProcedure, kSubclassId);
    }
}

LRESULT CALLBACK CopyDataRemoteControl::WindowProcedure(HWND window, UINT message, WPARAM wParam,
                                                        LPARAM lParam, UINT_PTR, DWORD_PTR self) {
    if (message == WM_COPYDATA && lParam != 0) {
        return reinterpret_cast<CopyDataRemoteControl*>(self)->Receive(
            reinterpret_cast<HWND>(wParam), *reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

BOOL CopyDataRemoteControl::Receive(HWND sender, const COPYDATASTRUCT& data) {
    using namespace copy_data_protocol;
    const std::optional<std::string> word = Payload(data, kRequestTag, kMaxRequestBytes);
    if (!word) {
        std::cerr << "Ignored a window message that is not a request of ours\n";
        return FALSE;
    }
    if (!IsWindowOfThisUser(sender)) {
        std::cerr << "Ignored a request that does not come from a window of this user\n";
        return FALSE;
    }
    if (*word == CurrentWallpaperQuery().windowsWord) {
        return ReplyCurrentWallpaper(sender);
    }
    const std::optional<RemoteRequest> request = RequestOfWord(*word);
    if (!request) {
        std::cerr << "Ignored an unknown request\n";
        return FALSE;
    }
    handler.Accept(*request);
    return TRUE;
}

// Sent back while the sender still waits for this message, so that the answer cannot be
// confused with another one. This is the GUI thread: a sender that does not take the reply at
// once is given up soon.
BOOL CopyDataRemoteControl::ReplyCurrentWallpaper(HWND sender) {
    using namespace copy_data_protocol;
    const std::string path = ToUtf8(handler.CurrentWallpaper());
    return Send(sender, window, kReplyTag, path, kReplyTimeoutMs) ? TRUE : FALSE;
}
