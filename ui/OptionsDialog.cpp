#include "ui/OptionsDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>
#include <exception>
#include <iterator>
#include <vector>

#include "model/ApplicationSettings.h"
#include "platform/NativeDesktop.h"
#include "platform/ProgramAutorun.h"
#include "sources/AlgorithmManager.h"
#include "ui/ProductResources.h"

namespace {

constexpr std::int32_t kFallbackInterval = 1800;
constexpr int kGroupSpacing = 10;

}  // namespace

OptionsDialog::OptionsDialog(ApplicationSettings& settings, ProgramAutorun& autorun,
                             AlgorithmManager& algorithmManager, QWidget* parent)
    : QDialog(parent), settings(settings), autorun(autorun), algorithmManager(algorithmManager) {
    CreateWidgets();
    CreateLayout();
    setWindowTitle(tr("Options"));
    // Taken before the lists are filled, so long entries never widen the dialog.
    setFixedSize(sizeHint());
    setWindowIcon(ResourceIcon(QStringLiteral("options")));
    intervals = {{60, tr("1 minute")},   {600, tr("10 minutes")}, {1800, tr("30 minutes")},
                 {3600, tr("1 hour")},   {10800, tr("3 hours")},  {18000, tr("5 hours")},
                 {43200, tr("12 hours")}};
    FillLists();
}

void OptionsDialog::CreateWidgets() {
    okButton = new QPushButton(tr("OK"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    connect(okButton, &QPushButton::clicked, this, &OptionsDialog::Accept);
    cancelButton = new QPushButton(tr("Cancel"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    connect(cancelButton, &QPushButton::clicked, this, &OptionsDialog::Reject);

    autostartCheckBox =
        new QCheckBox(tr("Autostart with %1").arg(QString::fromUtf8(PlatformName())), this);
    autostartCheckBox->setObjectName(QStringLiteral("autostartCheckBox"));
    onloadChangeCheckBox = new QCheckBox(tr("Change wallpaper when program starting"), this);
    onloadChangeCheckBox->setObjectName(QStringLiteral("onloadChangeCheckBox"));
    differentPerMonitorCheckBox = new QCheckBox(tr("Different picture on each monitor"), this);
    differentPerMonitorCheckBox->setObjectName(QStringLiteral("differentPerMonitorCheckBox"));
    changeEveryCheckBox = new QCheckBox(tr("Change wallpaper every:"), this);
    changeEveryCheckBox->setObjectName(QStringLiteral("changeEveryCheckBox"));
    intervalComboBox = new QComboBox(this);
    intervalComboBox->setObjectName(QStringLiteral("intervalComboBox"));
    connect(changeEveryCheckBox, &QCheckBox::released, this, &OptionsDialog::ChangeEveryChanged);

    repeatModeLabel = new QLabel(tr("Repeat mode:"), this);
    repeatModeLabel->setObjectName(QStringLiteral("repeatModeLabel"));
    repeatModeComboBox = new QComboBox(this);
    repeatModeComboBox->setObjectName(QStringLiteral("repeatModeComboBox"));
}

void OptionsDialog::CreateLayout() {
    auto* options = new QVBoxLayout;
    options->addWidget(autostartCheckBox);
    options->addWidget(onloadChangeCheckBox);
    options->addWidget(differentPerMonitorCheckBox);
    options->addSpacing(kGroupSpacing);
    options->addWidget(repeatModeLabel);
    options->addWidget(repeatModeComboBox);
    options->addSpacing(kGroupSpacing);
    options->addWidget(changeEveryCheckBox);
    options->addWidget(intervalComboBox);
    options->addSpacing(kGroupSpacing);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(okButton);
    buttons->addWidget(cancelButton);

    auto* dialogLayout = new QVBoxLayout(this);
    dialogLayout->addLayout(options);
    dialogLayout->addStretch();
    dialogLayout->addLayout(buttons);
}

void OptionsDialog::FillLists() {
    for (const auto& [seconds, text] : intervals) {
        intervalComboBox->addItem(text);
    }
    std::vector<WideString> names;
    algorithmManager.GetAlgorithmNames(names);
    for (const WideString& name : names) {
        repeatModeComboBox->addItem(QString::fromStdU16String(name));
    }
}

void OptionsDialog::ShowDialog() {
    autostartCheckBox->setChecked(autorun.IsEnabled());
    onloadChangeCheckBox->setChecked(settings.GetOnloadChange());
    differentPerMonitorCheckBox->setChecked(settings.GetDifferentPerMonitor());
    changeEveryCheckBox->setChecked(settings.GetTimerChange());
    ChangeEveryChanged();
    SelectCurrentInterval();
    SelectCurrentAlgorithm();
    show();
    // A second "Options" while the dialog sits behind the main window should bring it back.
    raise();
    activateWindow();
}

void OptionsDialog::SelectCurrentInterval() {
    const auto found = intervals.find(settings.GetChangeInterval());
    const auto position = found == intervals.end() ? 0 : std::distance(intervals.begin(), found);
    intervalComboBox->setCurrentIndex(static_cast<int>(position));
}

void OptionsDialog::SelectCurrentAlgorithm() {
    const SelectionAlgorithmInterface* current = algorithmManager.GetCurrentAlgorithm();
    const QString name =
        current == nullptr ? QString() : QString::fromStdU16String(current->GetName());
    repeatModeComboBox->setCurrentIndex(
        repeatModeComboBox->findText(name, Qt::MatchExactly | Qt::MatchCaseSensitive));
}

std::int32_t OptionsDialog::ChosenInterval() const {
    const QString text = intervalComboBox->currentText();
    for (const auto& [seconds, intervalText] : intervals) {
        if (intervalText == text) {
            return seconds;
        }
    }
    return kFallbackInterval;
}

void OptionsDialog::Accept() {
    // Each setter stores before its subscribers save, so on a failed save the values written so
    // far stay and the later ones are skipped.
    try {
        settings.SetTimerChange(changeEveryCheckBox->isChecked());
        autorun.SetEnabled(autostartCheckBox->isChecked());
        settings.SetOnloadChange(onloadChangeCheckBox->isChecked());
        if (settings.GetDifferentPerMonitor() != differentPerMonitorCheckBox->isChecked()) {
            settings.SetDifferentPerMonitor(differentPerMonitorCheckBox->isChecked());
        }
        const std::int32_t interval = ChosenInterval();
        if (settings.GetChangeInterval() != interval) {
            settings.SetChangeInterval(interval);
        }
        algorithmManager.SetCurrentAlgorithm(repeatModeComboBox->currentText().toStdU16String());
    } catch (const std::exception&) {
        ShowSavingError();
    }
    hide();
}

void OptionsDialog::ShowSavingError() {
    QMessageBox::warning(this, ProductName(),
                         QStringLiteral("An error occurred during saving settings. Check whether "
                                        "the configuration files are available for writing and "
                                        "try again."));
}

void OptionsDialog::Reject() {
    hide();
}

void OptionsDialog::ChangeEveryChanged() {
    intervalComboBox->setEnabled(changeEveryCheckBox->isChecked());
}

void OptionsDialog::closeEvent(QCloseEvent* event) {
    event->ignore();
    hide();
}
