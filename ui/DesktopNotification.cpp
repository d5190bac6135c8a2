#include "ui/DesktopNotification.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QStringList>
#include <QVariantMap>
#include <utility>

namespace {

constexpr char kService[] = "org.freedesktop.Notifications";
constexpr char kPath[] = "/org/freedesktop/Notifications";
constexpr char kInterface[] = "org.freedesktop.Notifications";
// A notification service that answers later than this is taken as absent.
constexpr int kReplyTimeoutMs = 5000;

QDBusMessage NotifyCall(const QString& title, const QString& text, int millisecondsTimeout) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(QLatin1String(kService), QLatin1String(kPath),
                                       QLatin1String(kInterface), QStringLiteral("Notify"));
    const QString applicationName = title;
    const uint replacesNothing = 0;
    const QString iconName = QStringLiteral("dialog-warning");
    call.setArguments({applicationName, replacesNothing, iconName, title, text, QStringList(),
                       QVariantMap(), millisecondsTimeout});
    return call;
}

}  // namespace

void DesktopNotification::Send(const QString& title, const QString& text, int millisecondsTimeout,
                               QObject* context, std::function<void()> undelivered) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        undelivered();
        return;
    }
    auto* watcher = new QDBusPendingCallWatcher(
        bus.asyncCall(NotifyCall(title, text, millisecondsTimeout), kReplyTimeoutMs), context);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, context,
                     [undelivered = std::move(undelivered)](QDBusPendingCallWatcher* finished) {
                         if (finished->isError()) {
                             undelivered();
                         }
                         finished->deleteLater();
                     });
}
