#include "ui/SaveFailureReport.h"

#include <QCoreApplication>
#include <QDir>
#include <QMessageBox>
#include <QWidget>

#include <boost/filesystem/exception.hpp>

#include "platform/CoreInterface.h"
#include "ui/ErrorReason.h"
#include "ui/ProductResources.h"

namespace {

QString SettingsFolder() {
    return QString::fromStdU16String(GetCore().GetSettingsFolder());
}

// The system's error, such as a read-only folder or a full disk, whichever file it hit.
std::string KindOf(const std::exception& error) {
    if (const auto* fileError = dynamic_cast<const boost::filesystem::filesystem_error*>(&error)) {
        return std::string(fileError->code().category().name()) + ':' +
               std::to_string(fileError->code().value());
    }
    return error.what();
}

// The system's words ("Permission denied") rather than the library's, which name temporary files.
QString ReasonOf(const std::exception& error) {
    if (const auto* fileError = dynamic_cast<const boost::filesystem::filesystem_error*>(&error)) {
        return QString::fromStdString(fileError->code().message());
    }
    return ErrorReason(error);
}

}  // namespace

bool SaveFailureReport::IsSaveFailure(const std::exception& error) {
    const auto* fileError = dynamic_cast<const boost::filesystem::filesystem_error*>(&error);
    if (fileError == nullptr) {
        return false;
    }
    const QString folder = QString::fromStdString(fileError->path1().parent_path().string());
    return QDir(folder) == QDir(SettingsFolder());
}

void SaveFailureReport::Report(const std::exception& error) {
    if (!reportedKinds.insert(KindOf(error)).second) {
        return;
    }
    const QString text =
        QCoreApplication::translate("SaveFailureReport",
                                    "The settings cannot be saved in the folder \"%1\": %2. "
                                    "Changes made now are lost when the program ends.")
            .arg(QDir::toNativeSeparators(SettingsFolder()), ReasonOf(error));
    if (box == nullptr) {
        box = new QMessageBox(QMessageBox::Warning, ProductName(), text, QMessageBox::Ok, parent);
        box->setObjectName(QStringLiteral("saveFailureMessage"));
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setModal(false);
    }
    box->setText(text);
    box->show();
}
