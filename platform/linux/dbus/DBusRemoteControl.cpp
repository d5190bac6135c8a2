#include "platform/linux/dbus/DBusRemoteControl.h"

#include <QDBusVariant>
#include <QStringList>
#include <QVariantMap>

#include <array>
#include <iostream>
#include <utility>

#include "platform/RemoteRequestHandler.h"
#include "platform/linux/dbus/RemoteControlBus.h"

namespace {

const QString kConnectionName = QStringLiteral("vornk-remote-control");
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectableInterface = QStringLiteral("org.freedesktop.DBus.Introspectable");

const std::array<std::pair<const char*, RemoteRequest>, 4> kMethods{{
    {"Next", RemoteRequest::NextWallpaper},
    {"Previous", RemoteRequest::PreviousWallpaper},
    {"ShowWindow", RemoteRequest::ShowWindow},
    {"Exit", RemoteRequest::Exit},
}};

QString Latin1(const char* text) {
    return QString::fromLatin1(text);
}

QDBusMessage Error(const QDBusMessage& message, const char* name, const QString& text) {
    return message.createErrorReply(QStringLiteral("org.freedesktop.DBus.Error.") + Latin1(name),
                                    text);
}

}  // namespace

std::unique_ptr<RemoteControlServer> CreateRemoteControlServer(std::uintptr_t,
                                                               RemoteRequestHandler& handler) {
    const auto connection = remote_control_bus::Connect(kConnectionName);
    if (!connection) {
        std::cerr << "No session bus: the command line cannot reach this copy\n";
        return nullptr;
    }
    auto server = std::make_unique<DBusRemoteControl>(*connection, handler);
    if (!server->IsRegistered()) {
        std::cerr << "Cannot offer " << remote_control_bus::kService
                  << " on the session bus: the command line cannot reach this copy\n";
        return nullptr;
    }
    return server;
}

DBusRemoteControl::DBusRemoteControl(const QDBusConnection& connection,
                                     RemoteRequestHandler& handler)
    : connection(connection), handler(handler) {
    registered = Register();
}

DBusRemoteControl::~DBusRemoteControl() {
    connection.unregisterObject(Latin1(remote_control_bus::kObjectPath));
    connection.unregisterService(Latin1(remote_control_bus::kService));
    QDBusConnection::disconnectFromBus(connection.name());
}

// The object first, so that whoever sees the name appear finds the object behind it.
bool DBusRemoteControl::Register() {
    return connection.registerVirtualObject(Latin1(remote_control_bus::kObjectPath), this) &&
           connection.registerService(Latin1(remote_control_bus::kService));
}

QString DBusRemoteControl::CurrentWallpaper() const {
    return QString::fromStdU16String(handler.CurrentWallpaper());
}

void DBusRemoteControl::CurrentWallpaperChanged() {
    QDBusMessage signal =
        QDBusMessage::createSignal(Latin1(remote_control_bus::kObjectPath), kPropertiesInterface,
                                   QStringLiteral("PropertiesChanged"));
    signal << Latin1(remote_control_bus::kInterface)
           << QVariantMap{{Latin1(remote_control_bus::kCurrentWallpaperProperty),
                           CurrentWallpaper()}}
           << QStringList();
    connection.send(signal);
}

QString DBusRemoteControl::introspect(const QString&) const {
    return QStringLiteral(
               "<interface name=\"%1\">"
               "<method name=\"Next\"/><method name=\"Previous\"/>"
               "<method name=\"ShowWindow\"/><method name=\"Exit\"/>"
               "<property name=\"%2\" type=\"s\" access=\"read\"/>"
               "</interface>")
        .arg(Latin1(remote_control_bus::kInterface),
             Latin1(remote_control_bus::kCurrentWallpaperProperty));
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
    for (const auto& [name, request] : kMethods) {
        if (message.member() == Latin1(name) && message.signature().isEmpty()) {
            handler.Accept(request);
            return message.createReply();
        }
    }
    return Error(message, "UnknownMethod", QStringLiteral("No such method"));
}

QDBusMessage DBusRemoteControl::AnswerProperties(const QDBusMessage& message) const {
    const QString interface = message.arguments().value(0).toString();
    const bool ours = interface == Latin1(remote_control_bus::kInterface);
    const QString property = Latin1(remote_control_bus::kCurrentWallpaperProperty);
    const QString member = message.member();
    const QString signature = message.signature();
    if (member == QStringLiteral("GetAll") && signature == QStringLiteral("s")) {
        // The other interfaces here have no properties.
        return message.createReply(ours ? QVariantMap{{property, CurrentWallpaper()}}
                                        : QVariantMap());
    }
    if (!ours || message.arguments().value(1).toString() != property) {
        return Error(message, "InvalidArgs", QStringLiteral("No such property"));
    }
    if (member == QStringLiteral("Get") && signature == QStringLiteral("ss")) {
        return message.createReply(QVariant::fromValue(QDBusVariant(CurrentWallpaper())));
    }
    if (member == QStringLiteral("Set") && signature == QStringLiteral("ssv")) {
        return Error(message, "PropertyReadOnly", QStringLiteral("The property is read-only"));
    }
    return Error(message, "UnknownMethod", QStringLiteral("No such method"));
}
