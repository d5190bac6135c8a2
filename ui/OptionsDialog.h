#pragma once

#include <QDialog>
#include <QString>
#include <cstdint>
#include <map>

class AlgorithmManager;
class ApplicationSettings;
class ProgramAutorun;
class QCheckBox;
class QCloseEvent;
class QComboBox;
class QLabel;
class QPushButton;

// The modeless options dialog. It keeps no copy of the options: each opening reads them from
// their owners and "OK" writes them back.
class OptionsDialog : public QDialog {
    Q_OBJECT

public:
    OptionsDialog(ApplicationSettings& settings, ProgramAutorun& autorun,
                  AlgorithmManager& algorithmManager, QWidget* parent = nullptr);

    virtual void ShowDialog();

protected:
    void closeEvent(QCloseEvent* event) override;
    // The box that reports a failed save, replaceable so that "OK" can run unattended.
    virtual void ShowSavingError();

private Q_SLOTS:
    void Accept();
    void Reject();
    void ChangeEveryChanged();

private:
    void CreateWidgets();
    void CreateLayout();
    void FillLists();
    void SelectCurrentInterval();
    void SelectCurrentAlgorithm();
    std::int32_t ChosenInterval() const;

    QCheckBox* autostartCheckBox = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
    QLabel* repeatModeLabel = nullptr;
    QComboBox* repeatModeComboBox = nullptr;
    QCheckBox* onloadChangeCheckBox = nullptr;
    QCheckBox* differentPerMonitorCheckBox = nullptr;
    QCheckBox* changeEveryCheckBox = nullptr;
    QComboBox* intervalComboBox = nullptr;
    ApplicationSettings& settings;
    ProgramAutorun& autorun;
    AlgorithmManager& algorithmManager;
    std::map<std::int32_t, QString> intervals;
};
