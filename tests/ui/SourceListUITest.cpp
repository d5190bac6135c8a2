#include <gtest/gtest.h>

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTest>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>
#include <array>
#include <memory>

#include "sources/SourceManager.h"
#include "tests/fakes/FakeCore.h"
#include "tests/model/RecordingSubscriber.h"
#include "tests/ui/NextMessageBox.h"
#include "tests/ui/TestWait.h"
#include "tests/ui/ThrowingSubscriber.h"
#include "ui/SourceListUI.h"

namespace {

// Answers the file dialogs with the test's choices and keeps the error texts.
class ScriptedSourceListUI final : public SourceListUI {
public:
    using SourceListUI::SourceListUI;

    QStringList chosenFiles;
    QString chosenFolder;
    QStringList folderCaptions;
    QStringList errors;

protected:
    QStringList ChooseFiles() override { return chosenFiles; }
    QString ChooseFolder(const QString& caption) override {
        folderCaptions << caption;
        return chosenFolder;
    }
    void ShowError(const QString& text) override { errors << text; }
};

using Row = std::array<QString, 3>;

class SourceListUITest : public testing::Test {
protected:
    void SetUp() override {
        FakeCore::Instance().Reset();
        FakeCore::Instance().AddFolder(u"/pics/summer", {{u"/pics/summer/a.jpg"}, {}});
        FakeCore::Instance().AddFolder(u"/pics/winter", {{u"/pics/winter/b.png"}, {}});
    }

    ScriptedSourceListUI& CreateUI() {
        ui = std::make_unique<ScriptedSourceListUI>(manager, &window);
        windowLayout->addLayout(ui->GetLayout());
        windowLayout->addWidget(new QPushButton(QStringLiteral("Elsewhere"), &window));
        manager.Attach(&recorder);
        return *ui;
    }

    std::vector<Row> Rows() const {
        const auto* model = View()->model();
        std::vector<Row> rows;
        for (int row = 0; row < model->rowCount(); ++row) {
            rows.push_back({model->index(row, 0).data().toString(),
                            model->index(row, 1).data().toString(),
                            model->index(row, 2).data().toString()});
        }
        return rows;
    }

    QTreeView* View() const { return window.findChild<QTreeView*>("sourceTreeView"); }
    QAction* Action(const char* name) const { return ui->findChild<QAction*>(name); }
    QToolButton* Button(const char* name) const { return window.findChild<QToolButton*>(name); }

    void SelectRow(int row) {
        View()->selectionModel()->setCurrentIndex(View()->model()->index(row, 0),
                                                  QItemSelectionModel::ClearAndSelect);
    }

    SourceManager manager;
    QWidget window;
    QVBoxLayout* windowLayout = new QVBoxLayout(&window);
    std::unique_ptr<ScriptedSourceListUI> ui;
    RecordingSubscriber recorder;
};

TEST_F(SourceListUITest, TableShowsSourcesLastFirstWithTheirTypeTexts) {
    manager.AddFolderSource(u"/pics/summer", false);
    manager.AddFolderSource(u"/pics/winter", true);
    manager.AddFileSource(u"/pics/one.jpg");
    CreateUI();

    const auto* model = View()->model();
    ASSERT_EQ(model->columnCount(), 3);
    EXPECT_EQ(model->headerData(0, Qt::Horizontal).toString(), "Name");
    EXPECT_EQ(model->headerData(1, Qt::Horizontal).toString(), "Type");
    EXPECT_EQ(model->headerData(2, Qt::Horizontal).toString(), "With Subfolders");
    EXPECT_EQ(Rows(), (std::vector<Row>{{"/pics/one.jpg", "File", ""},
                                        {"/pics/winter", "Folder", "Yes"},
                                        {"/pics/summer", "Folder", "No"}}));
    EXPECT_EQ(View()->columnWidth(0), 250);
    EXPECT_FALSE(View()->rootIsDecorated());
    EXPECT_EQ(View()->editTriggers(), QAbstractItemView::NoEditTriggers);
}

TEST_F(SourceListUITest, ButtonsAndAddMenuAreSetUp) {
    CreateUI();
    struct Expected {
        const char* name;
        const char* toolTip;
    };
    for (const auto& [name, toolTip] :
         {Expected{"addButton", "Add"}, Expected{"removeItemButton", "Remove Item"},
          Expected{"removeAllButton", "Remove All"}}) {
        SCOPED_TRACE(name);
        const QToolButton* button = Button(name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->toolTip(), toolTip);
        EXPECT_FALSE(button->icon().isNull());
        EXPECT_EQ(button->iconSize(), QSize(32, 32));
        EXPECT_EQ(button->minimumSize(), QSize(32, 32));
        EXPECT_EQ(button->maximumSize(), QSize(32, 32));
        EXPECT_TRUE(button->autoRaise());
    }
    const QMenu* menu = Button("addButton")->menu();
    ASSERT_NE(menu, nullptr);
    QStringList texts;
    for (const QAction* action : menu->actions()) {
        texts << action->text();
    }
    EXPECT_EQ(texts, (QStringList{"Add Files", "Add Folder", "Add Folder (with subfolders)"}));
}

TEST_F(SourceListUITest, AddFilesAddsEachSupportedFileAndRebuildsEachTime) {
    ScriptedSourceListUI& sourceList = CreateUI();
    sourceList.chosenFiles = {"/pics/a.jpg", "/pics/b.png", "/pics/c.gif", "/pics/d.tga",
                              "/pics/e.bmp"};

    Action("addFilesAction")->trigger();

    EXPECT_EQ(recorder.Count(), 4u);  // the .gif is refused without a message
    EXPECT_EQ(Rows(), (std::vector<Row>{{"/pics/e.bmp", "File", ""},
                                        {"/pics/d.tga", "File", ""},
                                        {"/pics/b.png", "File", ""},
                                        {"/pics/a.jpg", "File", ""}}));
    EXPECT_TRUE(sourceList.errors.isEmpty());
}

// The dialog offers what the program takes: before, it offered *.gif, which is refused, and
// lacked *.jpe and *.tif, which are taken.
TEST(SourceListUIFilterTest, FileDialogOffersExactlyTheSupportedExtensions) {
    EXPECT_EQ(SourceListUI::ImageFilesFilter(),
              "Images (*.jpg *.jpeg *.jpe *.png *.tiff *.tif *.tga *.bmp *.webp *.avif *.heic "
              "*.heif *.jxl)");
}

TEST(AddFolderTest, EachFolderActionUsesItsCaptionAndSubfolderFlag) {
    struct Case {
        const char* action;
        const char* caption;
        SourceType type;
        const char* withSubfolders;
    };
    FakeCore::Instance().Reset();
    FakeCore::Instance().AddFolder(u"/pics/summer", {{u"/pics/summer/a.jpg"}, {}});
    for (const Case& test : {Case{"addFolderAction", "Select Folder", SourceType::Folder, "No"},
                             Case{"addFolderRecAction", "Select a directory",
                                  SourceType::FolderWithSubfolders, "Yes"}}) {
        SCOPED_TRACE(test.action);
        SourceManager manager;
        QWidget window;
        ScriptedSourceListUI sourceList(manager, &window);
        sourceList.chosenFolder = "/pics/summer";

        sourceList.findChild<QAction*>(test.action)->trigger();

        EXPECT_EQ(sourceList.folderCaptions, QStringList{test.caption});
        EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{u"/pics/summer", test.type}}));
        const auto* model = window.findChild<QTreeView*>()->model();
        ASSERT_EQ(model->rowCount(), 1);
        EXPECT_EQ(model->index(0, 1).data().toString(), "Folder");
        EXPECT_EQ(model->index(0, 2).data().toString(), test.withSubfolders);
    }
}

TEST_F(SourceListUITest, CancelledDialogsChangeNothing) {
    CreateUI();
    for (const char* action : {"addFilesAction", "addFolderAction", "addFolderRecAction"}) {
        Action(action)->trigger();
    }
    EXPECT_EQ(recorder.Count(), 0u);
    EXPECT_TRUE(manager.GetSources().empty());
    EXPECT_TRUE(ui->errors.isEmpty());
}

TEST_F(SourceListUITest, VanishedFolderIsReportedWithItsPathAndTheListGoesOn) {
    ScriptedSourceListUI& sourceList = CreateUI();
    sourceList.chosenFolder = "/pics/gone";

    Action("addFolderAction")->trigger();

    ASSERT_EQ(sourceList.errors.size(), 1);
    EXPECT_EQ(sourceList.errors[0],
              "An error occurred while adding the folder \"/pics/gone\": Specified path does not "
              "exist.");
    EXPECT_TRUE(manager.GetSources().empty());

    sourceList.chosenFolder = "/pics/winter";
    Action("addFolderRecAction")->trigger();
    EXPECT_EQ(Rows(), (std::vector<Row>{{"/pics/winter", "Folder", "Yes"}}));
}

// The change stays made when the save fails, and the table must show it whichever subscriber
// hears of the change first.
TEST_F(SourceListUITest, FailedSaveIsReportedByEverySlotAndTheTableFollowsTheChange) {
    manager.AddFolderSource(u"/pics/summer", false);
    ScriptedSourceListUI& sourceList = CreateUI();
    // Subscribers are called in address order: a static one fails before the table hears of it.
    static ThrowingSubscriber unwritable;
    ASSERT_LT(static_cast<SubscriberInterface*>(&unwritable),
              static_cast<SubscriberInterface*>(&sourceList));
    unwritable.message = "Can't write sources.info";
    manager.Attach(&unwritable);
    sourceList.chosenFiles = {"/pics/a.jpg", "/pics/b.jpg"};
    sourceList.chosenFolder = "/pics/winter";

    Action("addFilesAction")->trigger();
    EXPECT_EQ(Rows(),
              (std::vector<Row>{{"/pics/a.jpg", "File", ""}, {"/pics/summer", "Folder", "No"}}));
    Action("addFolderRecAction")->trigger();
    EXPECT_EQ(Rows().size(), 3u);
    Button("removeItemButton")->click();
    EXPECT_EQ(Rows().size(), 2u);
    Button("removeAllButton")->click();
    EXPECT_TRUE(Rows().empty());

    const QString reason = QStringLiteral(": Can't write sources.info.");
    EXPECT_EQ(
        sourceList.errors,
        (QStringList{"An error occurred while adding the file \"/pics/a.jpg\"" + reason,
                     "An error occurred while adding the folder \"/pics/winter\"" + reason,
                     "An error occurred while removing \"/pics/winter\" from the list" + reason,
                     "An error occurred while clearing the list" + reason}));
    manager.Detach(&unwritable);
}

TEST_F(SourceListUITest, RemoveItemRemovesTheCurrentRowOrElseTheTopRow) {
    manager.AddFolderSource(u"/pics/summer", false);
    manager.AddFileSource(u"/pics/one.jpg");
    manager.AddFolderSource(u"/pics/winter", true);
    CreateUI();

    SelectRow(1);
    Button("removeItemButton")->click();
    EXPECT_EQ(manager.GetSources(),
              (std::vector<Source>{{u"/pics/summer", SourceType::Folder},
                                   {u"/pics/winter", SourceType::FolderWithSubfolders}}));

    // The rebuild left no current row.
    Button("removeItemButton")->click();
    EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{u"/pics/summer", SourceType::Folder}}));
    EXPECT_EQ(recorder.Count(), 2u);
}

TEST_F(SourceListUITest, RemoveItemOnAnEmptyTableDoesNothing) {
    CreateUI();
    Button("removeItemButton")->click();
    EXPECT_EQ(recorder.Count(), 0u);
}

TEST_F(SourceListUITest, RemovingEitherCopyOfAFolderRemovesItsFirstRecord) {
    manager.AddFolderSource(u"/pics/summer", false);
    manager.AddFolderSource(u"/pics/summer", true);
    CreateUI();

    SelectRow(0);  // the copy with subfolders
    Button("removeItemButton")->click();

    EXPECT_EQ(Rows(), (std::vector<Row>{{"/pics/summer", "Folder", "Yes"}}));
}

TEST_F(SourceListUITest, DeleteKeyRemovesOnlyWhileTheViewHasFocus) {
    manager.AddFileSource(u"/pics/one.jpg");
    manager.AddFileSource(u"/pics/two.jpg");
    CreateUI();
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    auto* elsewhere = window.findChild<QPushButton*>();
    elsewhere->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return elsewhere->hasFocus(); }));
    QTest::keyClick(elsewhere, Qt::Key_Delete);
    EXPECT_EQ(manager.GetSources().size(), 2u);

    View()->setFocus();
    ASSERT_TRUE(WaitUntil([&] { return View()->hasFocus(); }));
    SelectRow(1);
    QTest::keyClick(View(), Qt::Key_Delete);
    EXPECT_EQ(manager.GetSources(), (std::vector<Source>{{u"/pics/two.jpg", SourceType::File}}));
}

TEST_F(SourceListUITest, RemoveAllOnAnEmptyTableStillNotifiesOnce) {
    CreateUI();
    Button("removeAllButton")->click();
    EXPECT_EQ(recorder.Count(), 1u);
    EXPECT_TRUE(Rows().empty());
}

// At start-up the list has no parent widget; its boxes must still belong to the window showing it.
TEST_F(SourceListUITest, ErrorBoxBelongsToTheWindowShowingTheList) {
    SourceListUI sourceList(manager);
    windowLayout->addLayout(sourceList.GetLayout());
    ThrowingSubscriber unwritable;
    unwritable.message = "Can't write sources.info";
    manager.Attach(&unwritable);
    const QWidget* parent = nullptr;
    QString title;
    OnNextMessageBox([&](QMessageBox& box) {
        parent = box.parentWidget();
        title = box.windowTitle();
    });

    window.findChild<QToolButton*>("removeAllButton")->click();

    EXPECT_EQ(parent, &window);
    EXPECT_EQ(title, "Vornk Wallpaper Changer");
    manager.Detach(&unwritable);
}

}  // namespace
