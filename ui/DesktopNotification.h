#pragma once

#include <QString>
#include <functional>

class QObject;

// A message through the desktop's notification service (org.freedesktop.Notifications on the
// session bus), which desktops show also when they have no notification area.
class DesktopNotification final {
public:
    // Does not wait for the service: `undelivered` runs later, in `context`'s thread, when there
    // is no bus or no service, or the service refuses the message.
    static void Send(const QString& title, const QString& text, int millisecondsTimeout,
                     QObject* context, std::function<void()> undelivered);
};
