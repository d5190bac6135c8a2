#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/linux/desktops/DesktopBackend.h"
#include "platform/linux/desktops/SessionEnvironment.h"

// Picks the backend for the running session: the first row of the table whose test accepts
// the session. Specific desktops come before the plain X11 root window, which every X11
// desktop has but which a desktop that draws its own background hides.
class DesktopBackendChooser final {
public:
    struct Row {
        const char* name;
        std::function<bool(const SessionEnvironment&)> fits;
        std::function<std::unique_ptr<DesktopBackend>()> create;
    };

    // The table in its documented order (see DesktopBackendChooser.cpp).
    static const std::vector<Row>& Table();

    // The name of the row that fits, or nullptr when none does.
    static const char* NameFor(const SessionEnvironment& session);
    // Throws CoreError "Can't change desktop wallpaper" when no row fits.
    static std::unique_ptr<DesktopBackend> Choose(const SessionEnvironment& session);

private:
    static const Row* Find(const SessionEnvironment& session);
};
