#include "platform/linux/DBusRemoteControl.h"

#include <QDBusMessage>
#include <QStringList>
#include <QVariantMap>

#include <iostream>

#include "platform/RemoteRequestHandler.h"
#include "platform/linux/RemoteControlBus.h"

namespace {

const QString kConnectionName = QStringLiteral("vornk-remote-control");

QString Latin1(const char* text) {
    return QString::fromLatin1(text);
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
    return connection.registerObject(
               Latin1(remote_control_bus::kObjectPath), this,
               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) &&
           connection.registerService(Latin1(remote_control_bus::kService));
}

QString DBusRemoteControl::CurrentWallpaper() const {
    return QString::fromStdU16String(handler.CurrentWallpaper());
}

void DBusRemoteControl::CurrentWallpaperChanged() {
    QDBusMessage signal = QDBusMessage::createSignal(
        Latin1(remote_control_bus::kObjectPath), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << Latin1(remote_control_bus::kInterface)
           << QVariantMap{{Latin1(remote_control_bus::kCurrentWallpaperProperty),
                           CurrentWallpaper()}}
           << QStringList();
    connection.send(signal);
}

void DBusRemoteControl::Next() {
    handler.Accept(RemoteRequest::NextWallpaper);
}

void DBusRemoteControl::Previous() {
    handler.Accept(RemoteRequest::PreviousWallpaper);
}

void DBusRemoteControl::ShowWindow() {
    handler.Accept(RemoteRequest::ShowWindow);
}

void DBusRemoteControl::Exit() {
    handler.Accept(RemoteRequest::Exit);
}
