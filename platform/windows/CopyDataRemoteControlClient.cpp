// The calling side of platform/remote/RemoteControlClient.h on Windows: WM_COPYDATA to the running
// copy's main window, found as the single-instance test finds it.
#include "platform/remote/RemoteControlClient.h"

#include <windows.h>

#include <optional>
#include <string>

#include "model/ProductInfo.h"
#include "platform/windows/CopyDataProtocol.h"
#include "platform/windows/MainWindowClass.h"

namespace {

constexpr wchar_t kReplyWindowClass[] = L"VornkRemoteControlReply";

// The reply of one exchange; the reply window's procedure fills it.
struct Exchange {
    HWND runningCopy = nullptr;
    std::optional<std::string> reply;
};

LRESULT CALLBACK ReplyWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* exchange = reinterpret_cast<Exchange*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message != WM_COPYDATA || exchange == nullptr || lParam == 0) {
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (reinterpret_cast<HWND>(wParam) != exchange->runningCopy) {
        return FALSE;
    }
    exchange->reply = copy_data_protocol::Payload(*reinterpret_cast<const COPYDATASTRUCT*>(lParam),
                                                  copy_data_protocol::kReplyTag,
                                                  copy_data_protocol::kMaxReplyBytes);
    return exchange->reply ? TRUE : FALSE;
}

// A message-only window: it names this process as the sender and takes the reply.
class ReplyWindow final {
public:
    explicit ReplyWindow(Exchange& exchange) {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = ReplyWindowProcedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kReplyWindowClass;
        RegisterClassW(&windowClass);
        window = CreateWindowExW(0, kReplyWindowClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
        if (window != nullptr) {
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&exchange));
        }
    }
    ~ReplyWindow() {
        if (window != nullptr) {
            DestroyWindow(window);
        }
    }
    ReplyWindow(const ReplyWindow&) = delete;
    ReplyWindow& operator=(const ReplyWindow&) = delete;

    HWND Handle() const { return window; }

private:
    HWND window = nullptr;
};

HWND RunningCopyWindow() {
    return FindWindowA(kMainWindowClass, product::kName);
}

// A reply, if any, is in the exchange.
RemoteOutcome Ask(Exchange& exchange, std::string_view bytes) {
    exchange.runningCopy = RunningCopyWindow();
    if (exchange.runningCopy == nullptr) {
        return RemoteOutcome::NoCopyRuns;
    }
    const ReplyWindow replyWindow(exchange);
    const bool taken = replyWindow.Handle() != nullptr &&
                       copy_data_protocol::Send(exchange.runningCopy, replyWindow.Handle(),
                                                copy_data_protocol::kRequestTag, bytes);
    return taken ? RemoteOutcome::Taken : RemoteOutcome::Unreachable;
}

}  // namespace

// The main window exists from the start of a copy, so there is nothing to wait for.
RemoteOutcome SendRemoteRequest(RemoteRequest request, bool) {
    Exchange exchange;
    return Ask(exchange, copy_data_protocol::WordOf(request));
}

RemoteOutcome QueryCurrentWallpaper(WideString& current) {
    Exchange exchange;
    const RemoteOutcome outcome = Ask(exchange, CurrentWallpaperQuery().windowsWord);
    if (outcome != RemoteOutcome::Taken) {
        return outcome;
    }
    if (!exchange.reply) {
        return RemoteOutcome::Unreachable;
    }
    current = FromUtf8(*exchange.reply);
    return RemoteOutcome::Taken;
}

// The window's protocol carries the current wallpaper alone.
RemoteOutcome QueryCurrentWallpapers(std::vector<WideString>& current) {
    WideString first;
    const RemoteOutcome outcome = QueryCurrentWallpaper(first);
    if (outcome == RemoteOutcome::Taken && !first.empty()) {
        current = {first};
    }
    return outcome;
}

bool IsRunningCopyPresent() {
    return RunningCopyWindow() != nullptr;
}
