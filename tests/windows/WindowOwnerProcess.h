#pragma once

#include <windows.h>

#include <string>

// A child process (this test program again) that owns one hidden top-level window of the given
// class and title, as a running copy of the program owns its main window. It is ended when the
// object goes away.
class WindowOwnerProcess final {
public:
    static constexpr char kOption[] = "--own-window";

    WindowOwnerProcess(const std::string& windowClass, const std::string& title);
    ~WindowOwnerProcess();
    WindowOwnerProcess(const WindowOwnerProcess&) = delete;
    WindowOwnerProcess& operator=(const WindowOwnerProcess&) = delete;

    // True once the child's window exists.
    bool IsReady() const { return ready; }

    // The child's side: argv holds kOption, the class, the title and the name of the event to
    // signal once the window exists. Runs until the process is ended.
    static int Run(int argc, char** argv);

private:
    PROCESS_INFORMATION process{};
    bool ready = false;
};
