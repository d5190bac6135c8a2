#pragma once

#include <map>
#include <string>

// The environment variables that tell which desktop runs; a value type so that detection can be
// tested with made-up sessions.
class SessionEnvironment {
public:
    static SessionEnvironment FromProcess();

    SessionEnvironment() = default;
    explicit SessionEnvironment(std::map<std::string, std::string> variables);

    std::string Get(const std::string& name) const;
    bool Has(const std::string& name) const;
    // True when one of the colon-separated names of XDG_CURRENT_DESKTOP (or DESKTOP_SESSION)
    // equals `desktop`, ignoring letter case.
    bool IsDesktop(const std::string& desktop) const;

private:
    std::map<std::string, std::string> variables;
};
