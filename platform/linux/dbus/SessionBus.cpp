#include "platform/linux/dbus/SessionBus.h"

#include <QAtomicInteger>

#include <cstdlib>
#include <optional>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QString UniqueConnectionName() {
    static QAtomicInteger<int> counter;
    return QStringLiteral("vornk-session-bus-%1").arg(counter.fetchAndAddRelaxed(1));
}

// The socket a user bus (systemd, dbus-broker) keeps in the runtime folder, when it is there and
// is this user's.
std::optional<QString> RuntimeFolderBus() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime == nullptr || runtime[0] != '/') {
        return std::nullopt;
    }
    const std::string socket = std::string(runtime) + "/bus";
    struct stat status {};
    if (::stat(socket.c_str(), &status) != 0 || !S_ISSOCK(status.st_mode) ||
        status.st_uid != ::getuid()) {
        return std::nullopt;
    }
    return QStringLiteral("unix:path=") + QString::fromLocal8Bit(socket.c_str());
}

// Only a bus that the session announces, never one autolaunched: that one would outlive the
// program, no desktop would listen on it, and the user's shortcuts and scripts would not find
// the running copy there. libdbus reads its variable only once per process, so it is read here.
std::optional<QString> SessionBusAddress() {
    const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
    if (address != nullptr && *address != '\0') {
        return QString::fromLocal8Bit(address);
    }
    return RuntimeFolderBus();
}

QDBusConnection Connect(const QString& name) {
    const std::optional<QString> address = SessionBusAddress();
    return address ? QDBusConnection::connectToBus(*address, name) : QDBusConnection(name);
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
