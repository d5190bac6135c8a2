// The calling side of platform/remote/RemoteControlClient.h on Linux: a method call on the session
// bus.
#include "platform/remote/RemoteControlClient.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QThread>
#include <QVariantList>

#include <string_view>
#include <vector>

#include "platform/linux/NativePath.h"
#include "platform/linux/dbus/RemoteControlBus.h"
#include "platform/linux/dbus/SessionBus.h"

namespace {

// A copy that has just taken the single-instance lock needs a moment to appear on the bus.
constexpr int kNameWaitMs = 10000;
constexpr int kNameRetryMs = 50;
// Generous, since the running copy answers only between two of its own steps.
constexpr int kCallTimeoutMs = 10000;

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

bool IsNameNotYetOwned(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.ServiceUnknown");
}

// The reply to one call on the running copy's object; an error reply when there is no bus.
QDBusMessage Call(const QString& interface, const QString& method, const QVariantList& arguments,
                  bool waitForName) {
    const SessionBus bus;
    if (!bus.IsConnected()) {
        return QDBusMessage::createError(QStringLiteral("org.freedesktop.DBus.Error.NoServer"),
                                         QStringLiteral("no session bus"));
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(Latin1(remote_control_bus::kService),
                                       Latin1(remote_control_bus::kObjectPath), interface, method);
    call.setArguments(arguments);
    const QDeadlineTimer nameDeadline(waitForName ? kNameWaitMs : 0);
    QDBusMessage reply = bus.Connection().call(call, QDBus::Block, kCallTimeoutMs);
    while (IsNameNotYetOwned(reply) && !nameDeadline.hasExpired()) {
        QThread::msleep(kNameRetryMs);
        reply = bus.Connection().call(call, QDBus::Block, kCallTimeoutMs);
    }
    return reply;
}

RemoteOutcome OutcomeOf(const QDBusMessage& reply, bool copyRuns) {
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return RemoteOutcome::Taken;
    }
    return IsNameNotYetOwned(reply) && !copyRuns ? RemoteOutcome::NoCopyRuns
                                                 : RemoteOutcome::Unreachable;
}

// The bytes of a file name without the closing zero byte that GLib's byte strings have.
WideString FromByteString(QByteArray bytes) {
    if (bytes.endsWith('\0')) {
        bytes.chop(1);
    }
    return FromNativeBytes(bytes.toStdString());
}

QDBusMessage GetProperty(const char* name) {
    return Call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"),
                {Latin1(remote_control_bus::kInterface), Latin1(name)}, false);
}

QVariant ValueOf(const QDBusMessage& reply) {
    return reply.arguments().value(0).value<QDBusVariant>().variant();
}

bool IsUnknownProperty(const QDBusMessage& reply) {
    return reply.type() == QDBusMessage::ErrorMessage &&
           reply.errorName() == QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
}

}  // namespace

RemoteOutcome SendRemoteRequest(RemoteRequest request, bool copyRuns) {
    return OutcomeOf(Call(Latin1(remote_control_bus::kInterface),
                          Latin1(NamesOf(request).busMember), {}, copyRuns),
                     copyRuns);
}

// The bytes rather than the text, so that a name that is not UTF-8 still names its file.
RemoteOutcome QueryCurrentWallpaper(WideString& current) {
    const QDBusMessage reply = GetProperty(remote_control_bus::kCurrentWallpaperBytesProperty);
    const RemoteOutcome outcome = OutcomeOf(reply, false);
    if (outcome != RemoteOutcome::Taken) {
        return outcome;
    }
    const QVariant value = ValueOf(reply);
    if (value.typeId() != QMetaType::QByteArray) {
        return RemoteOutcome::Unreachable;
    }
    current = FromByteString(value.toByteArray());
    return RemoteOutcome::Taken;
}

// A copy started before an update, which knows no set, is asked for its one wallpaper instead.
RemoteOutcome QueryCurrentWallpapers(std::vector<WideString>& current) {
    const QDBusMessage reply = GetProperty(remote_control_bus::kCurrentWallpapersBytesProperty);
    if (IsUnknownProperty(reply)) {
        WideString first;
        const RemoteOutcome outcome = QueryCurrentWallpaper(first);
        if (outcome == RemoteOutcome::Taken && !first.empty()) {
            current = {first};
        }
        return outcome;
    }
    const RemoteOutcome outcome = OutcomeOf(reply, false);
    if (outcome != RemoteOutcome::Taken) {
        return outcome;
    }
    const QVariant value = ValueOf(reply);
    if (value.typeId() != qMetaTypeId<QDBusArgument>() ||
        value.value<QDBusArgument>().currentSignature() != QStringLiteral("aay")) {
        return RemoteOutcome::Unreachable;
    }
    for (const QByteArray& bytes : qdbus_cast<QByteArrayList>(value)) {
        current.push_back(FromByteString(bytes));
    }
    return RemoteOutcome::Taken;
}
