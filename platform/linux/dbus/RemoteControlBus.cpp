#include "platform/linux/dbus/RemoteControlBus.h"

#include <QFileInfo>

#include <cstdlib>

namespace remote_control_bus {

namespace {

// Only a bus that the session announces: an autolaunched one would outlive the program, and
// the user's shortcuts and scripts would not look for it.
QString SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0') {
        return QString::fromLocal8Bit(address);
    }
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return {};
    }
    const QString socket = QString::fromLocal8Bit(runtime) + QStringLiteral("/bus");
    return QFileInfo(socket).exists() ? QStringLiteral("unix:path=") + socket : QString();
}

}  // namespace

std::optional<QDBusConnection> Connect(const QString& connectionName) {
    const QString address = SessionBusAddress();
    if (address.isEmpty()) {
        return std::nullopt;
    }
    QDBusConnection connection = QDBusConnection::connectToBus(address, connectionName);
    if (!connection.isConnected()) {
        QDBusConnection::disconnectFromBus(connectionName);
        return std::nullopt;
    }
    return connection;
}

}  // namespace remote_control_bus
