// A stand-in for a desktop's notification service on the session bus:
// org.freedesktop.Notifications at /org/freedesktop/Notifications with Notify.
//   notification_service_standin RECORD_FOLDER
// Each notification goes to RECORD_FOLDER/notification-N.txt as its summary and body on two
// lines; RECORD_FOLDER/ready appears once the name is registered.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <cstdio>

class NotificationServiceStandIn final : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    explicit NotificationServiceStandIn(QString folder) : folder(std::move(folder)) {}

public Q_SLOTS:
    uint Notify(const QString& /*application*/, uint /*replaces*/, const QString& /*icon*/,
                const QString& summary, const QString& body, const QStringList& /*actions*/,
                const QVariantMap& /*hints*/, int /*timeout*/) {
        QFile record(QStringLiteral("%1/notification-%2.txt").arg(folder).arg(++count));
        if (record.open(QIODevice::WriteOnly)) {
            record.write((summary + QLatin1Char('\n') + body).toUtf8());
        }
        return count;
    }

private:
    QString folder;
    uint count = 0;
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fputs("usage: notification_service_standin RECORD_FOLDER\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    NotificationServiceStandIn service(folder);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.freedesktop.Notifications"))) {
        std::fputs("cannot register org.freedesktop.Notifications\n", stderr);
        return 1;
    }
    QFile(folder + QStringLiteral("/ready")).open(QIODevice::WriteOnly);
    return application.exec();
}

#include "NotificationServiceStandIn.moc"
