#include "ui/SourceListUI.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QMenu>
#include <QMessageBox>
#include <QShortcut>
#include <QStandardItemModel>
#include <QToolButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <exception>

#include "platform/ImageExtensions.h"
#include "sources/SourceManager.h"
#include "ui/ErrorReason.h"
#include "ui/ProductResources.h"

namespace {

enum Column { kNameColumn = 0, kTypeColumn = 1, kSubfoldersColumn = 2, kColumnCount = 3 };

const QString kFileType = QStringLiteral("File");

QString TypeText(SourceType type) {
    return IsFolderType(type) ? QStringLiteral("Folder") : kFileType;
}

QString SubfoldersText(SourceType type) {
    switch (type) {
        case SourceType::Folder:
            return QStringLiteral("No");
        case SourceType::FolderWithSubfolders:
            return QStringLiteral("Yes");
        default:
            return {};
    }
}

}  // namespace

SourceListUI::SourceListUI(SourceManager& sourceManager, QWidget* parent)
    : QObject(nullptr), parentWidget(parent), sourceManager(sourceManager) {
    CreateActions();
    CreateView();
    CreateLayout();
    Update(&sourceManager);
    sourceManager.Attach(this);
}

// The manager outlives this object, so leaving it is always safe and spares it a dangling
// subscriber.
SourceListUI::~SourceListUI() {
    sourceManager.Detach(this);
}

QLayout* SourceListUI::GetLayout() const {
    return layout;
}

// The actions and the model are parented to this object rather than to the parent widget, which
// is absent at start-up, so that they are freed with it.
void SourceListUI::CreateActions() {
    addFilesAction = new QAction(tr("Add Files"), this);
    addFilesAction->setObjectName(QStringLiteral("addFilesAction"));
    connect(addFilesAction, &QAction::triggered, this, &SourceListUI::AddFiles);
    addFolderAction = new QAction(tr("Add Folder"), this);
    addFolderAction->setObjectName(QStringLiteral("addFolderAction"));
    connect(addFolderAction, &QAction::triggered, this, &SourceListUI::AddFolder);
    addFolderRecAction = new QAction(tr("Add Folder (with subfolders)"), this);
    addFolderRecAction->setObjectName(QStringLiteral("addFolderRecAction"));
    connect(addFolderRecAction, &QAction::triggered, this, &SourceListUI::AddFolderRec);
}

void SourceListUI::CreateView() {
    treeView = new QTreeView(parentWidget);
    treeView->setObjectName(QStringLiteral("sourceTreeView"));
    treeView->setRootIsDecorated(false);
    treeView->setAlternatingRowColors(true);
    treeView->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* deleteShortcut = new QShortcut(QKeySequence(Qt::Key_Delete), treeView);
    deleteShortcut->setContext(Qt::WidgetShortcut);
    connect(deleteShortcut, &QShortcut::activated, this, &SourceListUI::RemoveSelectedItem);

    model = new QStandardItemModel(0, kColumnCount, this);
    model->setHorizontalHeaderLabels({tr("Name"), tr("Type"), tr("With Subfolders")});
    treeView->setModel(model);
    treeView->setColumnWidth(kNameColumn, 250);
}

void SourceListUI::CreateLayout() {
    addButton = CreateButton(QStringLiteral("add"), tr("Add"), QStringLiteral("addButton"));
    // Parented to its button so that the menu lives exactly as long as the button showing it.
    addMenu = new QMenu(addButton);
    addMenu->setObjectName(QStringLiteral("addMenu"));
    addMenu->addAction(addFilesAction);
    addMenu->addAction(addFolderAction);
    addMenu->addAction(addFolderRecAction);
    addButton->setMenu(addMenu);
    connect(addButton, &QToolButton::clicked, addButton, &QToolButton::showMenu);

    removeItemButton = CreateButton(QStringLiteral("remove_item"), tr("Remove Item"),
                                    QStringLiteral("removeItemButton"));
    connect(removeItemButton, &QToolButton::clicked, this, &SourceListUI::RemoveSelectedItem);
    removeAllButton = CreateButton(QStringLiteral("remove_all"), tr("Remove All"),
                                   QStringLiteral("removeAllButton"));
    connect(removeAllButton, &QToolButton::clicked, this, &SourceListUI::RemoveAll);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(addButton);
    buttons->addWidget(removeItemButton);
    buttons->addWidget(removeAllButton);
    buttons->addStretch();

    layout = new QHBoxLayout;
    layout->addWidget(treeView);
    layout->addLayout(buttons, 0);
}

QToolButton* SourceListUI::CreateButton(const QString& iconName, const QString& toolTip,
                                        const QString& objectName) {
    auto* button = new QToolButton(parentWidget);
    button->setObjectName(objectName);
    button->setIcon(ResourceIcon(iconName));
    button->setIconSize(QSize(32, 32));
    button->setAutoRaise(true);
    button->setFixedSize(32, 32);
    button->setToolTip(toolTip);
    return button;
}

void SourceListUI::Update(PublisherInterface*) {
    model->removeRows(0, model->rowCount());
    for (const Source& source : sourceManager.GetSources()) {
        InsertRowAtTop(source);
    }
}

void SourceListUI::InsertRowAtTop(const Source& source) {
    model->insertRow(0);
    const QString cells[kColumnCount] = {QString::fromStdU16String(source.path),
                                         TypeText(source.type), SubfoldersText(source.type)};
    for (int column = 0; column < kColumnCount; ++column) {
        model->setData(model->index(0, column), cells[column], Qt::EditRole);
    }
}

// Start-up gives no parent widget; the window showing the list then keeps the dialogs in front.
QWidget* SourceListUI::DialogParent() const {
    return parentWidget != nullptr ? parentWidget : treeView->window();
}

QString SourceListUI::ImageFilesFilter() {
    QStringList patterns;
    for (const WideString& extension : SupportedExtensions()) {
        patterns << QStringLiteral("*.") + QString::fromStdU16String(extension);
    }
    return tr("Images (%1)").arg(patterns.join(u' '));
}

QStringList SourceListUI::ChooseFiles() {
    return QFileDialog::getOpenFileNames(DialogParent(), tr("Select Files"), QDir::rootPath(),
                                         ImageFilesFilter());
}

QString SourceListUI::ChooseFolder(const QString& caption) {
    return QFileDialog::getExistingDirectory(DialogParent(), caption, QDir::rootPath(),
                                             QFileDialog::ShowDirsOnly);
}

void SourceListUI::ShowError(const QString& text) {
    QMessageBox::warning(DialogParent(), ProductName(), text);
}

void SourceListUI::ReportError(const QString& text) {
    // A failed save leaves the change made, and the subscriber that failed may have been notified
    // before this one: rebuild so the table shows what the manager holds.
    Update(&sourceManager);
    ShowError(text);
}

void SourceListUI::AddFiles() {
    // Each file is added (and saved) on its own; the first failure ends the batch.
    QString current;
    try {
        for (const QString& file : ChooseFiles()) {
            current = file;
            sourceManager.AddFileSource(file.toStdU16String());
        }
    } catch (const std::exception& error) {
        ReportError(tr("An error occurred while adding the file \"%1\": %2.")
                        .arg(current, ErrorReason(error)));
    }
}

void SourceListUI::AddFolder() {
    AddFolderFromDialog(tr("Select Folder"), false);
}

void SourceListUI::AddFolderRec() {
    AddFolderFromDialog(tr("Select a directory"), true);
}

void SourceListUI::AddFolderFromDialog(const QString& caption, bool withSubfolders) {
    const QString folder = QDir::toNativeSeparators(ChooseFolder(caption));
    if (folder.isEmpty()) {
        return;
    }
    try {
        sourceManager.AddFolderSource(folder.toStdU16String(), withSubfolders);
    } catch (const std::exception& error) {
        ReportError(tr("An error occurred while adding the folder \"%1\": %2.")
                        .arg(folder, ErrorReason(error)));
    }
}

void SourceListUI::RemoveSelectedItem() {
    if (model->rowCount() == 0) {
        return;
    }
    const int currentRow = treeView->selectionModel()->currentIndex().row();
    const int row = currentRow < 0 ? 0 : currentRow;
    const QString path = model->index(row, kNameColumn).data(Qt::EditRole).toString();
    const QString type = model->index(row, kTypeColumn).data(Qt::EditRole).toString();
    try {
        if (type == kFileType) {
            sourceManager.RemoveFileSource(path.toStdU16String());
        } else {
            sourceManager.RemoveFolderSource(path.toStdU16String());
        }
    } catch (const std::exception& error) {
        ReportError(tr("An error occurred while removing \"%1\" from the list: %2.")
                        .arg(path, ErrorReason(error)));
    }
}

void SourceListUI::RemoveAll() {
    try {
        sourceManager.RemoveAllSources();
    } catch (const std::exception& error) {
        ReportError(tr("An error occurred while clearing the list: %1.").arg(ErrorReason(error)));
    }
}
