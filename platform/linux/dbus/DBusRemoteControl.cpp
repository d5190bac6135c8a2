#include "platform/linux/dbus/DBusRemoteControl.h"

#include <QByteArray>
#include <QByteArrayList>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QStringList>

#include <iostream>
#include <string_view>
#include <vector>

#include "platform/linux/NativePath.h"
#include "platform/linux/dbus/RemoteControlBus.h"
#include "platform/remote/RemoteRequest.h"
#include "platform/remote/RemoteRequestHandler.h"

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QDBusMessage Error(const QDBusMessage& message, const char* name, const QString& text) {
    return message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.") + Latin1(name),
                                    text);
}

QString PropertyXml(std::string_view name, const char* type) {
    return QStringLiteral("<property name=\"%1\" type=\"%2\" access=\"read\"/>")
        .arg(Latin1(name), Latin1(type));
}

// A file name's own bytes with a closing zero byte, as GLib passes file names.
QByteArray ByteString(const WideString& path) {
    QByteArray bytes = QByteArray::fromStdString(ToNativeBytes(path));
    bytes.append('\0');
    return bytes;
}

}  // namespace

std::unique_ptr<RemoteControlServer> CreateRemoteControlServer(std::uintptr_t,
                                                               RemoteRequestHandler& handler) {
    auto server = std::make_unique<DBusRemoteControl>(handler);
    if (!server->IsConnected()) {
        std::cerr << "No session bus: the command line cannot reach this copy\n";
        return nullptr;
    }
    if (!server->IsRegistered()) {
        std::cerr << "Cannot offer " << remote_control_bus::kService
                  << " on the session bus: the command line cannot reach this copy\n";
        return nullptr;
    }
    return server;
}

DBusRemoteControl::DBusRemoteControl(RemoteRequestHandler& handler)
    : connection(bus.Connection()), handler(handler) {
    // So that the pictures' byte strings go out as "aay".
    qDBusRegisterMetaType<QByteArrayList>();
    registered = bus.IsConnected() && Register();
}

// QtDBus crashes when asked to give up a name on a connection that never was.
DBusRemoteControl::~DBusRemoteControl() {
    if (bus.IsConnected()) {
        connection.unregisterObject(Latin1(remote_control_bus::kObjectPath));
        connection.unregisterService(Latin1(remote_control_bus::kService));
    }
}

// The object first, so that whoever sees the name appear finds the object behind it.
bool DBusRemoteControl::Register() {
    return connection.registerVirtualObject(Latin1(remote_control_bus::kObjectPath), this) &&
           connection.registerService(Latin1(remote_control_bus::kService));
}

// Each path twice: as text for those who show it (a byte that is not UTF-8 becomes '?'), and as
// the file name's own bytes for those who open the file.
QVariantMap DBusRemoteControl::Properties() const {
    const std::vector<WideString> shown = handler.CurrentWallpapers();
    const WideString current = shown.empty() ? WideString() : shown.front();
    QStringList texts;
    QByteArrayList byteStrings;
    for (const WideString& path : shown) {
        texts << QString::fromStdString(ToUtf8(path));
        byteStrings << ByteString(path);
    }
    return {{Latin1(CurrentWallpaperQuery().busMember), QString::fromStdString(ToUtf8(current))},
            {Latin1(remote_control_bus::kCurrentWallpaperBytesProperty), ByteString(current)},
            {Latin1(remote_control_bus::kCurrentWallpapersProperty), texts},
            {Latin1(remote_control_bus::kCurrentWallpapersBytesProperty),
             QVariant::fromValue(byteStrings)}};
}

void DBusRemoteControl::CurrentWallpaperChanged() {
    QDBusMessage signal =
        QDBusMessage::createSignal(Latin1(remote_control_bus::kObjectPath), kPropertiesInterface,
                                   QStringLiteral("PropertiesChanged"));
    signal << Latin1(remote_control_bus::kInterface) << Properties() << QStringList();
    connection.send(signal);
}

QString DBusRemoteControl::introspect(const QString&) const {
    QString xml =
        QStringLiteral("<interface name=\"%1\">").arg(Latin1(remote_control_bus::kInterface));
    for (const RemoteRequestEntry& entry : RemoteRequests()) {
        xml += QStringLiteral("<method name=\"%1\"/>").arg(Latin1(entry.names.busMember));
    }
    xml += PropertyXml(CurrentWallpaperQuery().busMember, "s") +
           PropertyXml(remote_control_bus::kCurrentWallpaperBytesProperty, "ay") +
           PropertyXml(remote_control_bus::kCurrentWallpapersProperty, "as") +
           PropertyXml(remote_control_bus::kCurrentWallpapersBytesProperty, "aay");
    return xml + QStringLiteral("</interface>");
}

bool DBusRemoteControl::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    // QtDBus answers introspection from introspect().
    if (message.interface() == kIntrospectableInterface) {
        return false;
    }
    const QDBusMessage answer = Answer(message);
    if (answer.type() == QDBusMessage::ErrorMessage) {
        std::cerr << "Ignored a malformed request on the session bus: "
                  << message.interface().toStdString() << '.' << message.member().toStdString()
                  << " (" << message.signature().toStdString() << ")\n";
    }
    connection.send(answer);
    return true;
}

QDBusMessage DBusRemoteControl::Answer(const QDBusMessage& message) {
    if (message.interface() == kPropertiesInterface) {
        return AnswerProperties(message);
    }
    // A call may leave out the interface.
    if (message.interface().isEmpty() ||
        message.interface() == Latin1(remote_control_bus::kInterface)) {
        return AnswerRequest(message);
    }
    return Error(message, "UnknownInterface", QStringLiteral("No such interface"));
}

QDBusMessage DBusRemoteControl::AnswerRequest(const QDBusMessage& message) {
    const std::optional<RemoteRequest> request =
        FindRemoteRequest(&RemoteRequestNames::busMember, message.member().toStdString());
    if (!request || !message.signature().isEmpty()) {
        return Error(message, "UnknownMethod", QStringLiteral("No such method"));
    }
    handler.Accept(*request);
    return message.createReply();
}

QDBusMessage DBusRemoteControl::AnswerProperties(const QDBusMessage& message) const {
    const bool ours =
        message.arguments().value(0).toString() == Latin1(remote_control_bus::kInterface);
    const QVariantMap properties = ours ? Properties() : QVariantMap();
    const QString member = message.member();
    const QString signature = message.signature();
    if (member == QStringLiteral("GetAll") && signature == QStringLiteral("s")) {
        // The other interfaces here have no properties.
        return message.createReply(properties);
    }
    const QString property = message.arguments().value(1).toString();
    if (!properties.contains(property)) {
        return Error(message, "InvalidArgs", QStringLiteral("No such property"));
    }
    if (member == QStringLiteral("Get") && signature == QStringLiteral("ss")) {
        return message.createReply(QVariant::fromValue(QDBusVariant(properties.value(property))));
    }
    if (member == QStringLiteral("Set") && signature == QStringLiteral("ssv")) {
        return Error(message, "PropertyReadOnly", QStringLiteral("The property is read-only"));
    }
    return Error(message, "UnknownMethod", QStringLiteral("No such method"));
}
