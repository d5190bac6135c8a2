#pragma once

#include <map>
#include <string>

// The environment variables that tell which desktop runs; a value type so that detection can be
// tested with made-up sessions.
class SessionEnvironment {
public:
    // XDG_CURRENT_DESKTOP, DESKTOP_SESSION, WAYLAND_DISPLAY, DISPLAY, XDG_SESSION_TYPE and
    // SWAYSOCK.
    static SessionEnvironment FromProcess();

    SessionEnvironment() = default;
    explicit SessionEnvironment(std::map<std::string, std::string> variables);

    // The empty string for an unset variable.
    std::string Get(const std::string& name) const;
    // Set and not empty.
    bool Has(const std::string& name) const;
    // True when one of the colon-separated names of XDG_CURRENT_DESKTOP (or DESKTOP_SESSION)
    // equals `desktop`, ignoring letter case.
    bool IsDesktop(const std::string& desktop) const;
    // An X server whose root window is what the user sees: DISPLAY set, and not a Wayland
    // session (WAYLAND_DISPLAY unset, XDG_SESSION_TYPE not "wayland").
    bool IsX11Session() const;

private:
    std::map<std::string, std::string> variables;
};
