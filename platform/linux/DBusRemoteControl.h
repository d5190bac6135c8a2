#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include "platform/RemoteControlServer.h"

class RemoteRequestHandler;

// The running copy's object on the session bus. Its slots and property are exported as they
// are named here, with introspection data from QtDBus.
class DBusRemoteControl final : public QObject, public RemoteControlServer {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "software.vornk.WallpaperChanger")
    Q_PROPERTY(QString CurrentWallpaper READ CurrentWallpaper)

public:
    // Registered on the connection when IsRegistered() says so.
    DBusRemoteControl(const QDBusConnection& connection, RemoteRequestHandler& handler);
    ~DBusRemoteControl() override;
    DBusRemoteControl(const DBusRemoteControl&) = delete;
    DBusRemoteControl& operator=(const DBusRemoteControl&) = delete;

    bool IsRegistered() const { return registered; }
    QString CurrentWallpaper() const;
    void CurrentWallpaperChanged() override;

public Q_SLOTS:
    void Next();
    void Previous();
    void ShowWindow();
    void Exit();

private:
    bool Register();

    QDBusConnection connection;
    RemoteRequestHandler& handler;
    bool registered = false;
};
