#pragma once

#include "db/selectionsql.h"

#include <QString>
#include <QStringList>
#include <QTreeWidget>
#include <QWidget>

#include <cstdint>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace vexa {

class FeatureHost;
struct AddDirectoryCounts;

// Column 0 of a lstvDirectories item shows the path as a person reads it;
// this role holds the stored path (see base/diskpath.h), which every use of
// the directory takes.
inline constexpr int kPathRole = Qt::UserRole + 1;
QString ItemPath(const QTreeWidgetItem *item);

// lstvDirectories: the directory list with check boxes. Accepts drops of
// directories (text/uri-list) and only ever copies: it never reports a move,
// so a drag source is never told to delete what it dropped.
class DirectoryListView : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryListView(QWidget *parent = nullptr);
signals:
    void directoriesDropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// The image-database tab: collections (cboCollection, txtCollection,
// cmdCollection) and the directories of the selected one (cmdDirectory,
// lstvDirectories and its pop-up menu). Error reports name the module
// "frmVEXA". Interface thread only. The window may be null (the tab alone).
class CollectionsTab : public QWidget {
    Q_OBJECT
public:
    explicit CollectionsTab(FeatureHost *window, QWidget *parent = nullptr);

    // Asks for a directory; false when the user cancelled. Replaceable so
    // tests can answer the folder browser.
    using FolderBrowser = std::function<bool(QWidget *owner, const QString &prompt, QString &path)>;
    void setFolderBrowser(FolderBrowser browser) { m_browse = std::move(browser); }

    void FillCollectionCombo(const QString &name);
    void FillDirectoryList(bool refreshOnly);
    void CheckSelectedItems(bool allItems, bool check);
    void CountSelection();
    qint64 CountTotalImages();
    void VerifyPathIntegrity();
    void AddDirectories(const QStringList &paths);
    void AddDirectoryTrees(const QStringList &roots);
    void DeleteCheckedDirectories();
    void UpdateCollectionControls();
    bool BrowseForFolder(QWidget *owner, const QString &prompt, QString &path);

    void collectionClicked(int index);  // cmdCollection(index)
    void directoryClicked(int index);  // cmdDirectory(index)
    void headerClicked(int column);
    void dropDirectories(const QStringList &paths);

    // Item data of the selected combo entry, 0 when none is selected.
    std::int32_t collectionId() const;
    QList<DirectoryListItem> directoryItems() const;
    bool entryMode() const { return m_entryMode; }
    int checkedCount() const { return m_checkedCount; }
    qint64 totalImages() const { return m_totalImages; }
    int sortColumn() const { return m_sortColumn; }

    QComboBox *cboCollection() const { return m_cboCollection; }
    QLineEdit *txtCollection() const { return m_txtCollection; }
    QPushButton *cmdCollection(int index) const { return m_cmdCollection[index]; }
    QPushButton *cmdDirectory(int index) const { return m_cmdDirectory[index]; }
    DirectoryListView *lstvDirectories() const { return m_list; }
    QMenu *popupMenu() const { return m_popup; }
    QMenu *selectedItemsMenu() const { return m_selectedMenu; }
    QMenu *allItemsMenu() const { return m_allMenu; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void comboClicked();
    void addDirectories(const QStringList &paths, bool tree, int unreadable);
    void showAddResults(const AddDirectoryCounts &counts, int unreadable);
    void freeze(bool frozen);
    void setStatus(const QString &text);
    void setEditCaptions(bool editing);
    QTreeWidgetItem *itemByKey(const QString &key) const;

    FeatureHost *m_window = nullptr;
    FolderBrowser m_browse;
    bool m_entryMode = false;
    bool m_filling = false;
    int m_checkedCount = 0;
    qint64 m_totalImages = 0;
    int m_sortColumn = -1;
    bool m_sortToggle = false;

    QLabel *m_lblCollection = nullptr;
    QComboBox *m_cboCollection = nullptr;
    QLineEdit *m_txtCollection = nullptr;
    QPushButton *m_cmdCollection[2] = {};
    QPushButton *m_cmdDirectory[3] = {};
    DirectoryListView *m_list = nullptr;
    QMenu *m_popup = nullptr;
    QMenu *m_selectedMenu = nullptr;
    QMenu *m_allMenu = nullptr;
};

// Puts the tab into the window's first panel, fills the collection combo on
// load and the directory list when the tab becomes current, and gives the
// runs their view of the tab.
CollectionsTab *InstallCollections(FeatureHost &window);

}  // namespace vexa
