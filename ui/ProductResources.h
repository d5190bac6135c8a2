#pragma once

#include <QIcon>
#include <QString>

#include "model/ProductInfo.h"

// The product name as the windows and boxes show it.
inline QString ProductName() {
    return QString::fromUtf8(product::kName);
}

// One of the icons compiled in under ":/MainWindow/icons/" (ui/CMakeLists.txt).
inline QIcon ResourceIcon(const QString& name) {
    return QIcon(QStringLiteral(":/MainWindow/icons/%1.png").arg(name));
}
