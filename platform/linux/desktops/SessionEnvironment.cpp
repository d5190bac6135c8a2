#include "platform/linux/desktops/SessionEnvironment.h"

#include <cstdlib>
#include <sstream>
#include <utility>

namespace {

constexpr const char* kSessionVariables[] = {
    "XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "WAYLAND_DISPLAY", "DISPLAY",
    "XDG_SESSION_TYPE",    "SWAYSOCK",
};

std::string FoldCase(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

bool ListContains(const std::string& list, const std::string& folded) {
    std::istringstream names(list);
    std::string name;
    while (std::getline(names, name, ':')) {
        if (!name.empty() && FoldCase(name) == folded) {
            return true;
        }
    }
    return false;
}

}  // namespace

SessionEnvironment SessionEnvironment::FromProcess() {
    std::map<std::string, std::string> variables;
    for (const char* name : kSessionVariables) {
        if (const char* value = std::getenv(name)) {
            variables.emplace(name, value);
        }
    }
    return SessionEnvironment(std::move(variables));
}

SessionEnvironment::SessionEnvironment(std::map<std::string, std::string> variables)
    : variables(std::move(variables)) {}

std::string SessionEnvironment::Get(const std::string& name) const {
    const auto found = variables.find(name);
    return found == variables.end() ? std::string() : found->second;
}

bool SessionEnvironment::Has(const std::string& name) const {
    return !Get(name).empty();
}

bool SessionEnvironment::IsDesktop(const std::string& desktop) const {
    const std::string folded = FoldCase(desktop);
    // XDG_CURRENT_DESKTOP is the standard; DESKTOP_SESSION names the session on older setups.
    return ListContains(Get("XDG_CURRENT_DESKTOP"), folded) ||
           ListContains(Get("DESKTOP_SESSION"), folded);
}

bool SessionEnvironment::IsX11Session() const {
    if (!Has("DISPLAY")) {
        return false;
    }
    // Under Wayland, DISPLAY belongs to Xwayland, whose root window nobody sees.
    return !Has("WAYLAND_DISPLAY") && FoldCase(Get("XDG_SESSION_TYPE")) != "wayland";
}
