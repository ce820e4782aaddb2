#include "collections/collectionstab.h"

#include "base/diskpath.h"
#include "base/errors.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/textids.h"
#include "base/texts.h"
#include "collections/adddirectories.h"
#include "collections/directorytree.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/settings.h"
#include "ui/featurehost.h"

#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <memory>

namespace vexa {

namespace {

const QString kModule = QStringLiteral("frmVEXA");

// Sorts the "Images" column by number: a text sort would put 10 before 9.
class DirectoryItem : public QTreeWidgetItem {
public:
    using QTreeWidgetItem::QTreeWidgetItem;
    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        if (column == 1)
            return text(1).toLongLong() < other.text(1).toLongLong();
        return QTreeWidgetItem::operator<(other);
    }
};

// The dropped local paths, in drop order.
QStringList localPaths(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile())
            // The path's own bytes: toLocalFile() would lose a name that is
            // not UTF-8.
            paths.append(NameFromDisk(
                QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1())));
    }
    return paths;
}

// The list shows a path as a person reads it and keeps the stored path
// (whose bytes that are not UTF-8 are escaped) beside it.
void setItemPath(QTreeWidgetItem *item, const QString &path)
{
    item->setText(0, DisplayName(path));
    item->setData(0, kPathRole, path);
}

// A plain directory: not hidden, not read-only, not a link (the other
// platform gives such entries further attributes besides "directory").
bool isPlainDirectory(const QString &path)
{
    const DiskStat info = StatOnDisk(path);
    return info.isDirectory && !info.isSymLink
        && !SplitPath(path, false).startsWith(QLatin1Char('.')) && info.ownerWritable;
}

// The result line for directories the walk could not read; not in the string
// table, so both languages are kept here.
QString unreadableText()
{
    return LangOffset() == 0
        ? QStringLiteral(" directories have been skipped because they could not be read.")
        : QStringLiteral(" mappen zijn overgeslagen omdat ze niet gelezen konden worden.");
}

class HourGlass {
public:
    HourGlass() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~HourGlass() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

QString ItemPath(const QTreeWidgetItem *item)
{
    const QVariant stored = item->data(0, kPathRole);
    return stored.isValid() ? stored.toString() : item->text(0);
}

DirectoryListView::DirectoryListView(QWidget *parent)
    : QTreeWidget(parent)
{
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDefaultDropAction(Qt::CopyAction);
}

void DirectoryListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DirectoryListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DirectoryListView::dropEvent(QDropEvent *event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    // A copy, never a move: the source must keep what it dropped.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit directoriesDropped(paths);
}

CollectionsTab::CollectionsTab(FeatureHost *window, QWidget *parent)
    : QWidget(parent)
    , m_window(window)
{
    setObjectName(QStringLiteral("CollectionsTab"));
    m_lblCollection = new QLabel(this);
    SetTextIds(m_lblCollection, 600);
    m_cboCollection = new QComboBox(this);
    m_cboCollection->setObjectName(QStringLiteral("cboCollection"));
    m_cboCollection->setMinimumWidth(260);
    SetTextIds(m_cboCollection, 0, 1006);
    m_txtCollection = new QLineEdit(this);
    m_txtCollection->setObjectName(QStringLiteral("txtCollection"));
    m_txtCollection->setMinimumWidth(260);
    m_txtCollection->hide();
    m_txtCollection->installEventFilter(this);
    m_lblCollection->setBuddy(m_cboCollection);

    const int collectionTexts[2][2] = { { 500, 1001 }, { 501, 1002 } };
    for (int i = 0; i < 2; ++i) {
        m_cmdCollection[i] = new QPushButton(this);
        m_cmdCollection[i]->setObjectName(QStringLiteral("cmdCollection%1").arg(i));
        SetTextIds(m_cmdCollection[i], collectionTexts[i][0], collectionTexts[i][1]);
        connect(
            m_cmdCollection[i], &QPushButton::clicked, this, [this, i] { collectionClicked(i); });
    }
    const int directoryTexts[3][2] = { { 502, 1003 }, { 503, 1004 }, { 504, 1005 } };
    for (int i = 0; i < 3; ++i) {
        m_cmdDirectory[i] = new QPushButton(this);
        m_cmdDirectory[i]->setObjectName(QStringLiteral("cmdDirectory%1").arg(i));
        SetTextIds(m_cmdDirectory[i], directoryTexts[i][0], directoryTexts[i][1]);
        connect(m_cmdDirectory[i], &QPushButton::clicked, this, [this, i] { directoryClicked(i); });
    }

    m_list = new DirectoryListView(this);
    m_list->setObjectName(QStringLiteral("lstvDirectories"));
    m_list->setColumnCount(2);
    m_list->setHeaderLabels({ QStringLiteral("350"), QStringLiteral("351") });
    SetHeaderTextIds(m_list, { 350, 351 });
    SetTextIds(m_list, 0, 1000);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_list->setContextMenuPolicy(Qt::CustomContextMenu);
    m_list->header()->setSectionsClickable(true);
    // The path takes the room; the count keeps a narrow column at the right,
    // and long paths lose their middle so the directory's own name shows.
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(1, QHeaderView::Interactive);
    m_list->setColumnWidth(1, 110);
    m_list->setTextElideMode(Qt::ElideMiddle);
    m_list->header()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_list->headerItem()->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
    connect(m_list->header(), &QHeaderView::sectionClicked, this, &CollectionsTab::headerClicked);
    connect(m_list, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem *, int column) {
        if (column == 0 && !m_filling)
            CountSelection();
    });
    connect(m_list, &DirectoryListView::directoriesDropped, this, &CollectionsTab::dropDirectories);

    // mnuPopupList; the entries carry their text ids as captions.
    m_popup = new QMenu(QStringLiteral("250"), this);
    m_popup->setObjectName(QStringLiteral("mnuPopupList"));
    m_selectedMenu = m_popup->addMenu(QStringLiteral("251"));
    m_selectedMenu->setObjectName(QStringLiteral("mnuPUSelectItems"));
    m_allMenu = m_popup->addMenu(QStringLiteral("252"));
    m_allMenu->setObjectName(QStringLiteral("mnuPUAllItems"));
    for (int element = 0; element < 2; ++element) {
        const bool check = element == 0;
        const QString caption = QString::number(253 + element);
        QAction *select = m_selectedMenu->addAction(caption);
        select->setObjectName(QStringLiteral("mnuPUSelect%1").arg(element));
        connect(
            select, &QAction::triggered, this, [this, check] { CheckSelectedItems(false, check); });
        QAction *all = m_allMenu->addAction(caption);
        all->setObjectName(QStringLiteral("mnuPUAll%1").arg(element));
        connect(all, &QAction::triggered, this, [this, check] { CheckSelectedItems(true, check); });
    }
    connect(m_list, &QWidget::customContextMenuRequested, this,
        [this](const QPoint &at) { m_popup->popup(m_list->viewport()->mapToGlobal(at)); });

    connect(
        m_cboCollection, qOverload<int>(&QComboBox::activated), this, [this] { comboClicked(); });

    auto *top = new QHBoxLayout;
    top->addWidget(m_lblCollection);
    top->addWidget(m_cboCollection, 1);
    top->addWidget(m_txtCollection, 1);
    top->addWidget(m_cmdCollection[0]);
    top->addWidget(m_cmdCollection[1]);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : m_cmdDirectory)
        buttons->addWidget(button);
    buttons->addStretch(1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->addLayout(top);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);

    m_browse = [](QWidget *owner, const QString &prompt, QString &path) {
        // Qt's own dialog speaks the program's language; the desktop's
        // follows the desktop's.
        path = QFileDialog::getExistingDirectory(
            owner, prompt, QString(), QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
        return !path.isEmpty();
    };
    UpdateCollectionControls();
}

std::int32_t CollectionsTab::collectionId() const
{
    const int index = m_cboCollection->currentIndex();
    return index < 0 ? 0 : m_cboCollection->itemData(index).toInt();
}

QList<DirectoryListItem> CollectionsTab::directoryItems() const
{
    QList<DirectoryListItem> items;
    items.reserve(m_list->topLevelItemCount());
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = m_list->topLevelItem(i);
        items.append(
            { item->data(0, Qt::UserRole).toString(), item->checkState(0) == Qt::Checked });
    }
    return items;
}

QTreeWidgetItem *CollectionsTab::itemByKey(const QString &key) const
{
    for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
        if (m_list->topLevelItem(i)->data(0, Qt::UserRole).toString() == key)
            return m_list->topLevelItem(i);
    }
    return nullptr;
}

void CollectionsTab::freeze(bool frozen)
{
    m_list->setUpdatesEnabled(!frozen);
}

void CollectionsTab::setStatus(const QString &text)
{
    if (m_window)
        m_window->SetStatusbarInfoText(text);
}

void CollectionsTab::FillCollectionCombo(const QString &name)
{
    try {
        m_cboCollection->clear();
        RecordSet &collections = *AppDb().collections;
        collections.requery();
        for (collections.moveFirst(); !collections.eof(); collections.moveNext()) {
            m_cboCollection->addItem(collections.value(QStringLiteral("Naam")).toString(),
                collections.value(QStringLiteral("CollectionID")).toInt());
        }
        if (!name.isEmpty()) {
            // Letter case ignored, as the combo box's exact search does.
            int found = -1;
            const int count = m_cboCollection->count();
            for (int step = 1; step <= count && found < 0; ++step) {
                const int index = step % count;
                if (m_cboCollection->itemText(index).compare(name, Qt::CaseInsensitive) == 0)
                    found = index;
            }
            if (found < 0 && count > 0)
                found = 0;
            m_cboCollection->setCurrentIndex(found);
            if (found >= 0)
                comboClicked();
        } else {
            const QVariant last = GetSystemSetting(QStringLiteral("LastOpenCollection"));
            const int index = last.isNull() ? -1 : m_cboCollection->findData(last.toInt());
            m_cboCollection->setCurrentIndex(index);
            if (index >= 0)
                comboClicked();
        }
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("FillCollectionCombo"));
    }
    UpdateCollectionControls();
}

void CollectionsTab::comboClicked()
{
    FillDirectoryList(false);
    if (m_window && !m_window->isRunning() && !m_window->isCollectionEditMode())
        m_window->SetCommandStates(false);
    UpdateCollectionControls();
}

void CollectionsTab::FillDirectoryList(bool refreshOnly)
{
    if (m_cboCollection->currentIndex() < 0)
        return;
    const std::int32_t id = collectionId();
    bool frozen = false;
    m_filling = true;
    try {
        Database &db = OpenDb();
        RecordSet dirs(db, DirectoryListSql(id));
        if (!refreshOnly) {
            freeze(true);
            m_list->clear();
            freeze(false);
        }
        m_checkedCount = 0;
        if (!dirs.eof()) {
            SaveSystemSetting(QStringLiteral("LastOpenCollection"), id);
            freeze(true);
            frozen = true;
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            for (; !dirs.eof(); dirs.moveNext()) {
                const std::int64_t itemId = dirs.value(QStringLiteral("ItemID")).toLongLong();
                const QString key = DirectoryKey(itemId);
                QTreeWidgetItem *item = refreshOnly ? itemByKey(key) : nullptr;
                if (!refreshOnly) {
                    item = new DirectoryItem(m_list);
                    item->setData(0, Qt::UserRole, key);
                    setItemPath(item, dirs.value(QStringLiteral("Path")).toString());
                    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
                    item->setCheckState(0, Qt::Unchecked);
                }
                RecordSet count(db, DirectoryImageCountSql(id, itemId), RecordSetType::Snapshot,
                    kReadOnlyOption);
                qlonglong images = 0;
                if (!count.eof()) {
                    count.moveLast();
                    images = count.value(QStringLiteral("Aantal")).toLongLong();
                }
                if (item) {
                    item->setText(1, QString::number(images));
                    item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
                }
            }
        }
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("FillDirectoryList"));
    }
    if (frozen)
        freeze(false);
    m_filling = false;
    CountSelection();
}

void CollectionsTab::CountSelection()
{
    try {
        int checked = 0;
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            if (m_list->topLevelItem(i)->checkState(0) == Qt::Checked)
                ++checked;
        }
        m_checkedCount = checked;
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("CountSelection"));
    }
    UpdateCollectionControls();
    if (m_window)
        m_window->SetTickedDirectoryCount(m_checkedCount);
}

void CollectionsTab::setEditCaptions(bool editing)
{
    // Typing a name: the two collection buttons become OK and Cancel.
    const int texts[2][2] = { { 500, 501 }, { 730, 731 } };
    for (int i = 0; i < 2; ++i)
        m_cmdCollection[i]->setText(Text(texts[editing ? 1 : 0][i]));
}

void CollectionsTab::UpdateCollectionControls()
{
    const bool selected = m_cboCollection->currentIndex() >= 0;
    const bool editing = m_entryMode;
    m_cmdCollection[0]->setEnabled(true);
    m_cmdCollection[1]->setEnabled(m_cboCollection->count() > 0 || editing);
    m_cmdDirectory[0]->setEnabled(selected && !editing);
    m_cmdDirectory[1]->setEnabled(selected && !editing);
    m_cmdDirectory[2]->setEnabled(m_checkedCount != 0 && !editing);
    const bool items = m_list->topLevelItemCount() > 0;
    m_allMenu->setEnabled(items);
    m_selectedMenu->setEnabled(items);
}

void CollectionsTab::collectionClicked(int index)
{
    HourGlass hourGlass;
    if (m_entryMode) {
        const QString name = m_txtCollection->text();
        if (index == 0 && name.trimmed().isEmpty()) {
            // A nameless collection could not be told apart in the list nor
            // chosen again; the entry stays open for a name (or Cancel).
            Messages().show(Text(1964), Text(707), MsgIcon::Exclamation, MsgButtons::Ok);
            m_txtCollection->setFocus();
            return;
        }
        if (index == 0 && !AddNewCollectionToDB(name))
            Messages().show(Text(706), Text(707), MsgIcon::Exclamation, MsgButtons::Ok);
        m_txtCollection->hide();
        m_cboCollection->show();
        m_entryMode = false;
        setEditCaptions(false);
        if (m_window)
            m_window->SetCollectionEditMode(false);
        FillCollectionCombo(index == 0 ? name : QString());
    } else if (index == 0) {
        m_cboCollection->hide();
        m_txtCollection->clear();
        m_entryMode = true;
        setEditCaptions(true);
        if (m_window)
            m_window->SetCollectionEditMode(true);
        m_txtCollection->show();
        m_list->clear();
        m_checkedCount = 0;
        m_txtCollection->setFocus();
    } else {
        setStatus(Text(708));
        const QString name = m_cboCollection->currentText();
        m_list->clear();
        m_checkedCount = 0;
        DeleteCollectionFromDB(name);
        FillCollectionCombo(name);
        setStatus(QString());
        if (m_window)
            m_window->SetTickedDirectoryCount(m_checkedCount);
    }
    UpdateCollectionControls();
}

bool CollectionsTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_txtCollection && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            collectionClicked(0);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool CollectionsTab::BrowseForFolder(QWidget *owner, const QString &prompt, QString &path)
{
    path.clear();
    return m_browse && m_browse(owner, prompt, path) && !path.isEmpty();
}

void CollectionsTab::directoryClicked(int index)
{
    HourGlass hourGlass;
    QString path;
    if (index == 0) {
        if (BrowseForFolder(window(), Text(709), path))
            AddDirectories({ path });
    } else if (index == 1) {
        const bool chosen = BrowseForFolder(window(), Text(710), path);
        setStatus(Text(711));
        if (chosen)
            AddDirectoryTrees({ path });
    } else {
        setStatus(Text(712));
        DeleteCheckedDirectories();
    }
    CountSelection();
    UpdateCollectionControls();
}

void CollectionsTab::addDirectories(const QStringList &paths, bool tree, int unreadable)
{
    // A tree can bring thousands of directories: the list is frozen and the
    // bar shows how far the adding is.
    const bool showProgress = tree && m_window;
    if (tree)
        freeze(true);
    if (showProgress)
        m_window->InitialiseProgressBar(0, paths.size());
    AddDirectoryCounts counts;
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    AddDirectoriesHooks hooks;
    hooks.added = [this](const AddedDirectory &added) {
        auto *item = new DirectoryItem(m_list);
        item->setData(0, Qt::UserRole, DirectoryKey(added.itemId));
        setItemPath(item, GetLongPath(added.path));
        item->setText(1, QStringLiteral("0"));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        m_filling = true;
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(0, Qt::Unchecked);
        m_filling = false;
    };
    hooks.progress = [this, showProgress, &sinceTurn](qint64 done) {
        if (showProgress)
            m_window->SetProgressBarValue(done);
        if (sinceTurn.elapsed() >= 50) {
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceTurn.restart();
        }
    };
    try {
        // A tree stores the long form of each path, as the walk found them.
        counts = AddDirectoriesToCollection(collectionId(), paths, tree, hooks);
    } catch (const std::exception &e) {
        ReportException(e, kModule,
            tree ? QStringLiteral("AddDirectoryTrees") : QStringLiteral("AddDirectories"));
        FillDirectoryList(false);  // the list shows what the database kept
    }
    if (tree)
        freeze(false);
    if (showProgress)
        m_window->HideProgressBar();
    showAddResults(counts, unreadable);
}

void CollectionsTab::showAddResults(const AddDirectoryCounts &counts, int unreadable)
{
    QString text = QString::number(counts.added) + Text(726) + QLatin1Char('\r')
        + QString::number(counts.present) + Text(727) + QLatin1Char('\r')
        + QString::number(counts.empty) + Text(728);
    if (unreadable > 0)
        text += QLatin1Char('\r') + QString::number(unreadable) + unreadableText();
    Messages().show(text, Text(729), MsgIcon::Information, MsgButtons::Ok);
}

void CollectionsTab::AddDirectories(const QStringList &paths)
{
    addDirectories(paths, false, 0);
}

void CollectionsTab::AddDirectoryTrees(const QStringList &roots)
{
    const DirectoryTree tree = WalkDirectoryTrees(roots, [this](int found) {
        setStatus(Text(711) + QLatin1Char(' ') + QString::number(found));
        QApplication::processEvents();
        return !(m_window && m_window->isCancelled());
    });
    setStatus(QString());
    addDirectories(tree.directories, true, tree.unreadable);
}

void CollectionsTab::DeleteCheckedDirectories()
{
    QStringList keys;
    for (const DirectoryListItem &item : directoryItems()) {
        if (item.checked)
            keys.append(item.key);
    }
    setStatus(QString());
    if (keys.isEmpty())
        return;
    freeze(true);
    if (m_window)
        m_window->InitialiseProgressBar(0, keys.size());
    const std::int32_t id = collectionId();
    qint64 done = 0;
    for (const QString &key : keys) {
        if (QTreeWidgetItem *item = itemByKey(key)) {
            if (DeleteItemFromCollection(id, ItemPath(item)))
                delete item;
        }
        if (m_window)
            m_window->SetProgressBarValue(++done);
    }
    freeze(false);
    if (m_window)
        m_window->HideProgressBar();
}

void CollectionsTab::VerifyPathIntegrity()
{
    try {
        QStringList keys;
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = m_list->topLevelItem(i);
            if (item->checkState(0) == Qt::Checked && !StatOnDisk(ItemPath(item)).isDirectory)
                keys.append(item->data(0, Qt::UserRole).toString());
        }
        const std::int32_t id = collectionId();
        for (const QString &key : keys) {
            if (QTreeWidgetItem *item = itemByKey(key)) {
                DeleteItemFromCollection(id, ItemPath(item));
                delete item;
            }
        }
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("VerifyPathIntegrity"));
    }
}

qint64 CollectionsTab::CountTotalImages()
{
    m_totalImages = 0;
    try {
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = m_list->topLevelItem(i);
            if (item->checkState(0) != Qt::Checked || !StatOnDisk(ItemPath(item)).isDirectory)
                continue;
            setStatus(Text(734) + item->text(0));
            m_totalImages += CountDirectoryImages(ItemPath(item));
        }
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("CountTotalImages"));
    }
    return m_totalImages;
}

void CollectionsTab::CheckSelectedItems(bool allItems, bool check)
{
    m_filling = true;
    freeze(true);
    try {
        for (int i = 0; i < m_list->topLevelItemCount(); ++i) {
            QTreeWidgetItem *item = m_list->topLevelItem(i);
            if (allItems || item->isSelected())
                item->setCheckState(0, check ? Qt::Checked : Qt::Unchecked);
        }
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("CheckSelectedItems"));
    }
    freeze(false);
    m_filling = false;
    CountSelection();
    UpdateCollectionControls();
}

void CollectionsTab::headerClicked(int column)
{
    Qt::SortOrder order = Qt::AscendingOrder;
    if (column != m_sortColumn) {
        m_sortColumn = column;
        m_sortToggle = true;
    } else {
        order = m_sortToggle ? Qt::DescendingOrder : Qt::AscendingOrder;
        m_sortToggle = !m_sortToggle;
    }
    m_list->sortItems(column, order);
    m_list->header()->setSortIndicatorShown(true);
    m_list->header()->setSortIndicator(column, order);
}

void CollectionsTab::dropDirectories(const QStringList &paths)
{
    if (paths.isEmpty())
        return;
    const MsgResult answer
        = Messages().show(Text(715), Text(716), MsgIcon::Question, MsgButtons::YesNoCancel);
    if (answer == MsgResult::Cancel)
        return;
    QStringList directories;
    for (const QString &path : paths) {
        if (isPlainDirectory(path))
            directories.append(path);
    }
    HourGlass hourGlass;
    if (directories.isEmpty())
        Messages().show(Text(717), Text(718), MsgIcon::Exclamation, MsgButtons::Ok);
    else if (answer == MsgResult::Yes)
        AddDirectoryTrees(directories);
    else
        AddDirectories(directories);
    CountSelection();
}

}  // namespace vexa
