#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include "model/SubscriberInterface.h"
#include "sources/Source.h"

class QAction;
class QHBoxLayout;
class QLayout;
class QMenu;
class QStandardItemModel;
class QToolButton;
class QTreeView;
class QWidget;
class SourceManager;

// The table of wallpaper sources with the buttons that add and remove them. It keeps no list of
// its own: every notification of the source manager rebuilds the table.
class SourceListUI : public QObject, public SubscriberInterface {
    Q_OBJECT

public:
    explicit SourceListUI(SourceManager& sourceManager, QWidget* parent = nullptr);
    ~SourceListUI() override;
    SourceListUI(const SourceListUI&) = delete;
    SourceListUI& operator=(const SourceListUI&) = delete;

    QLayout* GetLayout() const;
    void Update(PublisherInterface* publisher) override;

    // The file dialog's filter: exactly the extensions the program takes as images.
    static QString ImageFilesFilter();

protected:
    // The system dialogs and the error box, replaceable so that the slots can run unattended.
    virtual QStringList ChooseFiles();
    virtual QString ChooseFolder(const QString& caption);
    virtual void ShowError(const QString& text);

private Q_SLOTS:
    void AddFiles();
    void AddFolder();
    void AddFolderRec();
    void RemoveSelectedItem();
    void RemoveAll();

private:
    void CreateActions();
    void CreateView();
    void CreateLayout();
    QToolButton* CreateButton(const QString& iconName, const QString& toolTip,
                              const QString& objectName);
    QWidget* DialogParent() const;
    void ReportError(const QString& text);
    void AddFolderFromDialog(const QString& caption, bool withSubfolders);
    void InsertRowAtTop(const Source& source);

    QWidget* parentWidget;
    QMenu* addMenu = nullptr;
    QAction* addFilesAction = nullptr;
    QAction* addFolderAction = nullptr;
    QAction* addFolderRecAction = nullptr;
    QToolButton* addButton = nullptr;
    QToolButton* removeItemButton = nullptr;
    QToolButton* removeAllButton = nullptr;
    QTreeView* treeView = nullptr;
    QStandardItemModel* model = nullptr;
    QHBoxLayout* layout = nullptr;
    SourceManager& sourceManager;
};
