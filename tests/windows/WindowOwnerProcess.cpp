#include "tests/windows/WindowOwnerProcess.h"

#include <memory>
#include <vector>

#include "platform/remote/RemoteControlServer.h"
#include "platform/remote/RemoteRequestHandler.h"
#include "platform/windows/CopyDataProtocol.h"

namespace {

constexpr DWORD kStartTimeoutMs = 20000;

std::wstring ProgramPath() {
    std::vector<wchar_t> path(32768);
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), length);
}

std::wstring Quoted(const std::wstring& text) {
    return L'"' + text + L'"';
}

// The arguments are ASCII; the program's own path need not be.
std::wstring Quoted(const std::string& text) {
    return Quoted(std::wstring(text.begin(), text.end()));
}

std::string UniqueEventName() {
    static int counter = 0;
    return "vornk-window-ready-" + std::to_string(GetCurrentProcessId()) + "-" +
           std::to_string(++counter);
}

// Records the requests it takes in what it reports as the current wallpaper.
class RecordingHandler final : public RemoteRequestHandler {
public:
    void Accept(RemoteRequest request) override {
        const std::string_view word = copy_data_protocol::WordOf(request);
        taken += WideString(word.begin(), word.end()) + u" ";
    }
    WideString CurrentWallpaper() const override {
        return WindowOwnerProcess::kServedWallpaper + taken;
    }

private:
    WideString taken;
};

}  // namespace

WindowOwnerProcess::WindowOwnerProcess(const std::string& windowClass, const std::string& title,
                                       bool takeRequests) {
    const std::string eventName = UniqueEventName();
    const HANDLE readyEvent = CreateEventA(nullptr, TRUE, FALSE, eventName.c_str());
    std::wstring commandLine = Quoted(ProgramPath()) + L' ' + Quoted(kOption) + L' ' +
                               Quoted(windowClass) + L' ' + Quoted(title) + L' ' +
                               Quoted(eventName) + L' ' +
                               Quoted(std::string(takeRequests ? "serve" : "plain"));
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        const HANDLE waitFor[] = {readyEvent, process.hProcess};
        ready = WaitForMultipleObjects(2, waitFor, FALSE, kStartTimeoutMs) == WAIT_OBJECT_0;
    }
    CloseHandle(readyEvent);
}

WindowOwnerProcess::~WindowOwnerProcess() {
    if (process.hProcess == nullptr) {
        return;
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, kStartTimeoutMs);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

int WindowOwnerProcess::Run(int argc, char** argv) {
    if (argc != 6) {
        return 2;
    }
    WNDCLASSA windowClass{};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = argv[2];
    if (RegisterClassA(&windowClass) == 0) {
        return 3;
    }
    // Not shown: a copy that sits in the tray must be found all the same.
    const HWND window =
        CreateWindowExA(0, argv[2], argv[3], WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 400,
                        300, nullptr, nullptr, windowClass.hInstance, nullptr);
    if (window == nullptr) {
        return 4;
    }
    RecordingHandler handler;
    std::unique_ptr<RemoteControlServer> server;
    if (std::string(argv[5]) == "serve" &&
        !(server = CreateRemoteControlServer(reinterpret_cast<std::uintptr_t>(window), handler))) {
        return 6;
    }
    const HANDLE readyEvent = OpenEventA(EVENT_MODIFY_STATE, FALSE, argv[4]);
    if (readyEvent == nullptr) {
        return 5;
    }
    SetEvent(readyEvent);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
