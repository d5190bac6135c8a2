#include "platform/linux/dbus/SessionBus.h"

#include <QAtomicInteger>

#include <cstdlib>

namespace {

QString UniqueConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("vornk-desktop-%1").arg(counter.fetchAndAddRelaxed(1));
}

QDBusConnection Connect(const QString& name) {
    // libdbus reads the address from the environment only once per process.
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0') {
        return QDBusConnection::connectToBus(QString::fromLocal8Bit(address), name);
    }
    return QDBusConnection::connectToBus(QDBusConnection::SessionBus, name);
}

}  // namespace

SessionBus::SessionBus() : name(UniqueConnectionName()), connection(Connect(name)) {}

SessionBus::~SessionBus() {
    QDBusConnection::disconnectFromBus(name);
}

QDBusMessage SessionBus::Call(const QString& service, const QString& path, const QString& interface,
                              const QString& method, const QVariantList& arguments) const {
    QDBusMessage request = QDBusMessage::createMethodCall(service, path, interface, method);
    request.setArguments(arguments);
    return connection.call(request, QDBus::Block, kTimeoutMs);
}
