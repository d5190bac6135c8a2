#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>
#include <QVariantMap>

#include "platform/linux/dbus/SessionBus.h"
#include "platform/remote/RemoteControlServer.h"

class RemoteRequestHandler;

// The running copy's object on the session bus. It answers every call itself, so that a call it
// does not know is ignored with a line on standard error as well as an error reply.
class DBusRemoteControl final : public QDBusVirtualObject, public RemoteControlServer {
    Q_OBJECT

public:
    // On a connection of its own, registered when IsRegistered() says so.
    explicit DBusRemoteControl(RemoteRequestHandler& handler);
    ~DBusRemoteControl() override;
    DBusRemoteControl(const DBusRemoteControl&) = delete;
    DBusRemoteControl& operator=(const DBusRemoteControl&) = delete;

    bool IsConnected() const { return bus.IsConnected(); }
    bool IsRegistered() const { return registered; }
    void CurrentWallpaperChanged() override;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    bool Register();
    QVariantMap Properties() const;
    QDBusMessage Answer(const QDBusMessage& message);
    QDBusMessage AnswerRequest(const QDBusMessage& message);
    QDBusMessage AnswerProperties(const QDBusMessage& message) const;

    SessionBus bus;
    QDBusConnection connection;
    RemoteRequestHandler& handler;
    bool registered = false;
};
