#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include "model/ApplicationSettings.h"
#include "sources/AlgorithmManager.h"
#include "tests/fakes/FakeProgramAutorun.h"
#include "tests/model/RecordingSubscriber.h"
#include "tests/ui/NextMessageBox.h"
#include "tests/ui/ThrowingSubscriber.h"
#include "ui/OptionsDialog.h"

namespace {

class RecordingOptionsDialog final : public OptionsDialog {
public:
    using OptionsDialog::OptionsDialog;

    bool useRealErrorBox = false;
    int savingErrors = 0;

protected:
    void ShowSavingError() override {
        ++savingErrors;
        if (useRealErrorBox) {
            OptionsDialog::ShowSavingError();
        }
    }
};

class OptionsDialogTest : public testing::Test {
protected:
    void SetUp() override {
        settings.SetChangeInterval(1800);
        settings.Attach(&settingsRecorder);
        algorithms.Attach(&algorithmRecorder);
    }

    template <typename Widget>
    Widget* Find(const char* name) const {
        auto* widget = dialog.findChild<Widget*>(name);
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    QCheckBox* Box(const char* name) const { return Find<QCheckBox>(name); }
    QComboBox* Intervals() const { return Find<QComboBox>("intervalComboBox"); }
    QComboBox* RepeatModes() const { return Find<QComboBox>("repeatModeComboBox"); }
    void ClickOk() { Find<QPushButton>("okButton")->click(); }

    ApplicationSettings settings;
    FakeProgramAutorun autorun;
    AlgorithmManager algorithms;
    RecordingSubscriber settingsRecorder;
    RecordingSubscriber algorithmRecorder;
    RecordingOptionsDialog dialog{settings, autorun, algorithms};
};

QStringList Items(const QComboBox* box) {
    QStringList items;
    for (int i = 0; i < box->count(); ++i) {
        items << box->itemText(i);
    }
    return items;
}

TEST_F(OptionsDialogTest, IsAFixedSizeDialogTitledOptionsWithItsLists) {
    EXPECT_EQ(dialog.windowTitle(), "Options");
    EXPECT_FALSE(dialog.windowIcon().isNull());
    EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(Box("autostartCheckBox")->text(), "Autostart with Linux");
    EXPECT_EQ(Box("onloadChangeCheckBox")->text(), "Change wallpaper when program starting");
    EXPECT_EQ(Box("differentPerMonitorCheckBox")->text(), "Different picture on each monitor");
    EXPECT_EQ(Box("changeEveryCheckBox")->text(), "Change wallpaper every:");
    EXPECT_EQ(Find<QLabel>("repeatModeLabel")->text(), "Repeat mode:");
    EXPECT_EQ(Items(Intervals()), (QStringList{"1 minute", "10 minutes", "30 minutes", "1 hour",
                                               "3 hours", "5 hours", "12 hours"}));
    EXPECT_EQ(Items(RepeatModes()), (QStringList{"Normal", "Random"}));
}

TEST_F(OptionsDialogTest, ShowDialogFillsTheControlsFromTheOwners) {
    autorun.enabled = true;
    settings.SetOnloadChange(true);
    settings.SetTimerChange(false);
    settings.SetDifferentPerMonitor(true);
    algorithms.SetCurrentAlgorithm(u"Normal");

    dialog.ShowDialog();

    EXPECT_TRUE(dialog.isVisible());
    EXPECT_TRUE(Box("autostartCheckBox")->isChecked());
    EXPECT_TRUE(Box("onloadChangeCheckBox")->isChecked());
    EXPECT_TRUE(Box("differentPerMonitorCheckBox")->isChecked());
    EXPECT_FALSE(Box("changeEveryCheckBox")->isChecked());
    EXPECT_FALSE(Intervals()->isEnabled());
    EXPECT_EQ(RepeatModes()->currentText(), "Normal");
}

TEST_F(OptionsDialogTest, SelectsTheStoredIntervalOrElseTheFirst) {
    struct Case {
        std::int32_t seconds;
        const char* shown;
    };
    for (const Case& test :
         {Case{60, "1 minute"}, Case{1800, "30 minutes"}, Case{43200, "12 hours"},
          Case{7200, "1 minute"}, Case{0, "1 minute"}}) {
        SCOPED_TRACE(test.seconds);
        settings.SetChangeInterval(test.seconds);
        dialog.ShowDialog();
        EXPECT_EQ(Intervals()->currentText(), test.shown);
    }
}

TEST_F(OptionsDialogTest, OkStoresTheShownIntervalWhenTheStoredOneHasNoText) {
    settings.SetChangeInterval(7200);
    dialog.ShowDialog();
    ClickOk();
    EXPECT_EQ(settings.GetChangeInterval(), 60);
    EXPECT_FALSE(dialog.isVisible());
}

TEST_F(OptionsDialogTest, OkWithNothingChangedNotifiesButDoesNotRewriteTheInterval) {
    dialog.ShowDialog();
    settingsRecorder.publishers.clear();

    ClickOk();

    // The timer and on-start flags, not the interval nor the monitors' option.
    EXPECT_EQ(settingsRecorder.Count(), 2u);
    EXPECT_EQ(algorithmRecorder.Count(), 1u);
    EXPECT_EQ(autorun.writes, 1);
    EXPECT_EQ(settings.GetChangeInterval(), 1800);
}

TEST_F(OptionsDialogTest, OkWritesEveryEditedOption) {
    dialog.ShowDialog();
    Box("autostartCheckBox")->setChecked(true);
    Box("onloadChangeCheckBox")->setChecked(true);
    Box("differentPerMonitorCheckBox")->setChecked(true);
    Box("changeEveryCheckBox")->setChecked(true);
    Intervals()->setCurrentIndex(Intervals()->findText("1 hour"));
    RepeatModes()->setCurrentIndex(RepeatModes()->findText("Normal"));
    settingsRecorder.publishers.clear();

    ClickOk();

    EXPECT_TRUE(autorun.enabled);
    EXPECT_TRUE(settings.GetOnloadChange());
    EXPECT_TRUE(settings.GetTimerChange());
    EXPECT_EQ(settings.GetChangeInterval(), 3600);
    EXPECT_TRUE(settings.GetDifferentPerMonitor());
    EXPECT_EQ(algorithms.GetCurrentAlgorithm()->GetName(), u"Normal");
    EXPECT_EQ(settingsRecorder.Count(), 4u);
}

TEST_F(OptionsDialogTest, CancelWritesNothingAndTheNextOpeningShowsTheStoredValues) {
    dialog.ShowDialog();
    Box("autostartCheckBox")->setChecked(true);
    Box("changeEveryCheckBox")->setChecked(true);
    Intervals()->setCurrentIndex(0);
    RepeatModes()->setCurrentIndex(RepeatModes()->findText("Normal"));
    settingsRecorder.publishers.clear();

    Find<QPushButton>("cancelButton")->click();

    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(settingsRecorder.Count(), 0u);
    EXPECT_EQ(algorithmRecorder.Count(), 0u);
    EXPECT_EQ(autorun.writes, 0);
    dialog.ShowDialog();
    EXPECT_FALSE(Box("autostartCheckBox")->isChecked());
    EXPECT_FALSE(Box("changeEveryCheckBox")->isChecked());
    EXPECT_EQ(Intervals()->currentText(), "30 minutes");
    EXPECT_EQ(RepeatModes()->currentText(), "Random");
}

TEST_F(OptionsDialogTest, ShowingTheOpenDialogAgainDiscardsUnsavedEdits) {
    dialog.ShowDialog();
    Box("onloadChangeCheckBox")->setChecked(true);
    dialog.ShowDialog();
    EXPECT_FALSE(Box("onloadChangeCheckBox")->isChecked());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(OptionsDialogTest, ReleasingChangeEveryEnablesTheIntervalListAtOnce) {
    dialog.ShowDialog();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QCheckBox* changeEvery = Box("changeEveryCheckBox");

    QTest::mouseClick(changeEvery, Qt::LeftButton);
    EXPECT_TRUE(Intervals()->isEnabled());
    QTest::mouseClick(changeEvery, Qt::LeftButton);
    EXPECT_FALSE(Intervals()->isEnabled());
}

TEST_F(OptionsDialogTest, FailedSaveShowsTheWarningOnceSkipsTheLaterStepsAndHides) {
    settings.SetOnloadChange(false);
    dialog.ShowDialog();
    Box("changeEveryCheckBox")->setChecked(true);
    Box("onloadChangeCheckBox")->setChecked(true);
    Box("autostartCheckBox")->setChecked(true);
    ThrowingSubscriber unwritable;
    unwritable.message = "Can't write settings.info";
    settings.Attach(&unwritable);

    ClickOk();

    EXPECT_EQ(dialog.savingErrors, 1);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_TRUE(settings.GetTimerChange());    // stored before its save failed
    EXPECT_FALSE(settings.GetOnloadChange());  // never reached
    EXPECT_EQ(autorun.writes, 0);
    EXPECT_EQ(algorithmRecorder.Count(), 0u);
    settings.Detach(&unwritable);
}

TEST_F(OptionsDialogTest, WarningBoxHasTheFixedTitleTextAndOneButton) {
    dialog.useRealErrorBox = true;
    dialog.ShowDialog();
    ThrowingSubscriber unwritable;
    unwritable.message = "Can't write settings.info";
    settings.Attach(&unwritable);
    QString title;
    QString text;
    int buttons = 0;
    OnNextMessageBox([&](QMessageBox& box) {
        title = box.windowTitle();
        text = box.text();
        buttons = box.buttons().size();
    });

    ClickOk();

    EXPECT_EQ(title, "Vornk Wallpaper Changer");
    EXPECT_EQ(text,
              "An error occurred during saving settings. Check whether the configuration files "
              "are available for writing and try again.");
    EXPECT_EQ(buttons, 1);
    EXPECT_FALSE(dialog.isVisible());
    settings.Detach(&unwritable);
}

TEST_F(OptionsDialogTest, CloseButtonHidesWithoutWriting) {
    dialog.ShowDialog();
    settingsRecorder.publishers.clear();
    EXPECT_FALSE(dialog.close());
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(settingsRecorder.Count(), 0u);
}

}  // namespace
