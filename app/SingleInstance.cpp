#include "app/SingleInstance.h"

#include <QApplication>
#include <QMessageBox>
#include <QString>

#include "model/ProductInfo.h"
#include "platform/NativeDesktop.h"

namespace {

void TellAnotherCopyIsRunning(int& argc, char** argv) {
    QApplication application(argc, argv);
    const QString title = QString::fromLatin1(product::kName);
    const QString text = QString::fromLatin1(product::kAnotherCopyPrefix) + title +
                         QString::fromLatin1(product::kAnotherCopySuffix);
    QMessageBox::information(nullptr, title, text, QMessageBox::Ok, QMessageBox::NoButton);
    QApplication::exit(0);
}

}  // namespace

bool EnsureSingleInstance(int& argc, char** argv) {
    if (!IsAnotherCopyRunning()) {
        return true;
    }
    TellAnotherCopyIsRunning(argc, argv);
    return false;
}
