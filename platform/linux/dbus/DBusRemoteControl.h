#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QString>

#include "platform/RemoteControlServer.h"

class RemoteRequestHandler;

// The running copy's object on the session bus. It answers every call itself, so that a call it
// does not know is ignored with a line on standard error as well as an error reply.
class DBusRemoteControl final : public QDBusVirtualObject, public RemoteControlServer {
    Q_OBJECT

public:
    // Registered on the connection when IsRegistered() says so.
    DBusRemoteControl(const QDBusConnection& connection, RemoteRequestHandler& handler);
    ~DBusRemoteControl() override;
    DBusRemoteControl(const DBusRemoteControl&) = delete;
    DBusRemoteControl& operator=(const DBusRemoteControl&) = delete;

    bool IsRegistered() const { return registered; }
    void CurrentWallpaperChanged() override;

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

private:
    bool Register();
    QString CurrentWallpaper() const;
    QDBusMessage Answer(const QDBusMessage& message);
    QDBusMessage AnswerRequest(const QDBusMessage& message);
    QDBusMessage AnswerProperties(const QDBusMessage& message) const;

    QDBusConnection connection;
    RemoteRequestHandler& handler;
    bool registered = false;
};
