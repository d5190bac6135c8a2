#pragma once

#include <windows.h>

#include <string>

// A child process (this test program again) that owns one hidden top-level window of the given
// class and title, as a running copy of the program owns its main window. It is ended when the
// object goes away. With takeRequests, the window takes remote-control requests as the program's
// does; the child's current wallpaper is kServedWallpaper followed by the requests it has taken.
class WindowOwnerProcess final {
public:
    static constexpr char kOption[] = "--own-window";
    static constexpr char16_t kServedWallpaper[] =
        u"C:\\Bilder\\Z\u00FCrich-\u6771\u4EAC-\U0001D11E.bmp|";

    WindowOwnerProcess(const std::string& windowClass, const std::string& title,
                       bool takeRequests = false);
    ~WindowOwnerProcess();
    WindowOwnerProcess(const WindowOwnerProcess&) = delete;
    WindowOwnerProcess& operator=(const WindowOwnerProcess&) = delete;

    // True once the child's window exists.
    bool IsReady() const { return ready; }

    // The child's side: argv holds kOption, the class, the title, the name of the event to
    // signal once the window exists and "serve" or "plain". Runs until the process is ended.
    static int Run(int argc, char** argv);

private:
    PROCESS_INFORMATION process{};
    bool ready = false;
};
