#include "ui/ErrorReason.h"

#include <QCoreApplication>

QString ErrorReason(const std::exception& error) {
    QString reason = QString::fromUtf8(error.what()).trimmed();
    while (reason.endsWith(u':') || reason.endsWith(u'.')) {
        reason.chop(1);
        reason = reason.trimmed();
    }
    if (reason.isEmpty()) {
        return QCoreApplication::translate("ErrorReason", "unknown error");
    }
    return reason;
}
