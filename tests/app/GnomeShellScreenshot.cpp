#include "tests/app/GnomeShellScreenshot.h"

#include <QDBusConnection>
#include <QDBusMessage>

std::vector<QColor> GnomeShellScreenshot::Colours(const std::vector<QPoint>& points) {
    const QString file = folder.filePath(QStringLiteral("screen.png"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.gnome.Shell"), QStringLiteral("/org/gnome/Shell/Screenshot"),
        QStringLiteral("org.gnome.Shell.Screenshot"), QStringLiteral("Screenshot"));
    // No cursor, no flash.
    call << false << false << file;
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call, QDBus::Block, 10000);
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty() ||
        !reply.arguments().front().toBool()) {
        return {};
    }
    return ColoursIn(QImage(file), points);
}
