#pragma once

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantList>

// A private connection to the user's session bus, closed when this object goes: for one exchange
// with a desktop, or for the running copy's remote control. The bus address is read at each
// connection, so a change of the session's bus (a desktop restarted) is followed.
class SessionBus final {
public:
    // A desktop that does not answer within this time is given up, so that the user interface
    // does not freeze.
    static constexpr int kTimeoutMs = 5000;

    SessionBus();
    ~SessionBus();
    SessionBus(const SessionBus&) = delete;
    SessionBus& operator=(const SessionBus&) = delete;

    // False when the session has no bus, or it cannot be reached.
    bool IsConnected() const { return connection.isConnected(); }
    const QDBusConnection& Connection() const { return connection; }
    // A blocking method call, given up after kTimeoutMs; the reply or the error message.
    QDBusMessage Call(const QString& service, const QString& path, const QString& interface,
                      const QString& method, const QVariantList& arguments) const;

private:
    QString name;
    QDBusConnection connection;
};
