// The calling side of platform/RemoteControlClient.h on Linux: a method call on the session bus.
#include "platform/RemoteControlClient.h"

#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QThread>
#include <QVariantList>

#include "platform/linux/dbus/RemoteControlBus.h"

namespace {

const QString kConnectionName = QStringLiteral("vornk-remote-request");
// A copy that has just taken the single-instance lock needs a moment to appear on the bus.
constexpr int kNameWaitMs = 10000;
constexpr int kNameRetryMs = 50;
// Generous, since the running copy answers only between two of its own steps.
constexpr int kCallTimeoutMs = 10000;

QString MethodName(RemoteRequest request) {
    switch (request) {
        case RemoteRequest::NextWallpaper:
            return QStringLiteral("Next");
        case RemoteRequest::PreviousWallpaper:
            return QStringLiteral("Previous");
        case RemoteRequest::ShowWindow:
            return QStringLiteral("ShowWindow");
        case RemoteRequest::Exit:
            return QStringLiteral("Exit");
    }
    return {};
}

bool IsNameNotYetOwned(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown");
}

// The reply to one call on the running copy's object; an error reply when there is no bus.
QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments,
                  bool waitForName) {
    const auto connection = remote_control_bus::Connect(kConnectionName);
    if (!connection) {
        return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                                         QStringLiteral("no session bus"));
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QString::fromLatin1(remote_control_bus::kService),
        QString::fromLatin1(remote_control_bus::kObjectPath), interface, method);
    call.setArguments(arguments);
    const QDeadlineTimer nameDeadline(waitForName ? kNameWaitMs : 0);
    QDBusMessage reply = connection->call(call, QDBus::Block, kCallTimeoutMs);
    while (IsNameNotYetOwned(reply) && !nameDeadline.hasExpired()) {
        QThread::msleep(kNameRetryMs);
        reply = connection->call(call, QDBus::Block, kCallTimeoutMs);
    }
    QDBusConnection::disconnectFromBus(kConnectionName);
    return reply;
}

RemoteOutcome OutcomeOf(const QDBusMessage& reply, bool copyRuns) {
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return RemoteOutcome::Taken;
    }
    return IsNameNotYetOwned(reply) && !copyRuns ? RemoteOutcome::NoCopyRuns
                                                 : RemoteOutcome::Unreachable;
}

}  // namespace

RemoteOutcome SendRemoteRequest(RemoteRequest request, bool copyRuns) {
    return OutcomeOf(Call(QString::fromLatin1(remote_control_bus::kInterface), MethodName(request),
                          {}, copyRuns),
                     copyRuns);
}

RemoteOutcome QueryCurrentWallpaper(WideString& current) {
    const QDBusMessage reply =
        Call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
             {QString::fromLatin1(remote_control_bus::kInterface),
              QString::fromLatin1(remote_control_bus::kCurrentWallpaperProperty)},
             false);
    const RemoteOutcome outcome = OutcomeOf(reply, false);
    if (outcome != RemoteOutcome::Taken) {
        return outcome;
    }
    const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
    if (value.typeId() != QMetaType::QString) {
        return RemoteOutcome::Unreachable;
    }
    current = value.toString().toStdU16String();
    return RemoteOutcome::Taken;
}
