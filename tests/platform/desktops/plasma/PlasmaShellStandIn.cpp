// A stand-in for plasmashell on the session bus: org.kde.plasmashell at /PlasmaShell with
// org.kde.PlasmaShell.evaluateScript. It records each script it is sent and answers as told.
//   plasmashell_standin RECORD_FOLDER print:TEXT|error|hang
// Each script goes to RECORD_FOLDER/script-N.js; RECORD_FOLDER/ready appears once the name is
// registered.
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusError>
#include <QFile>
#include <QObject>
#include <QString>
#include <QThread>

#include <cstdio>

class PlasmaShellStandIn final : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

public:
    PlasmaShellStandIn(QString folder, QString answer)
        : folder(std::move(folder)), answer(std::move(answer)) {}

public Q_SLOTS:
    QString evaluateScript(const QString& script) {
        QFile record(QStringLiteral("%1/script-%2.js").arg(folder).arg(++count));
        if (record.open(QIODevice::WriteOnly)) {
            record.write(script.toUtf8());
        }
        if (answer == QLatin1String("error")) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("ReferenceError: no such thing"));
            return {};
        }
        if (answer == QLatin1String("hang")) {
            QThread::sleep(30);
        }
        return answer.mid(QStringLiteral("print:").size());
    }

private:
    QString folder;
    QString answer;
    int count = 0;
};

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (argc != 3) {
        std::fputs("usage: plasmashell_standin RECORD_FOLDER print:TEXT|error|hang\n", stderr);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    PlasmaShellStandIn shell(folder, QString::fromLocal8Bit(argv[2]));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.registerObject(QStringLiteral("/PlasmaShell"), &shell,
                            QDBusConnection::ExportAllSlots) ||
        !bus.registerService(QStringLiteral("org.kde.plasmashell"))) {
        std::fputs("cannot register org.kde.plasmashell\n", stderr);
        return 1;
    }
    QFile(folder + QStringLiteral("/ready")).open(QIODevice::WriteOnly);
    return application.exec();
}

#include "PlasmaShellStandIn.moc"
