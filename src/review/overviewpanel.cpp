#include "review/overviewpanel.h"

#include "base/errors.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/notduplicates.h"
#include "review/groupoverview.h"
#include "review/keepbest.h"
#include "review/thumbnailloader.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace vexa {

namespace {

constexpr int kPictureSize = 40;  // pixels, the rows' small pictures

}  // namespace

OverviewPanel::OverviewPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picOverview"));
    m_model = new GroupOverviewModel(this);
    m_proxy = new QSortFilterProxyModel(this);
    m_proxy->setSourceModel(m_model);
    m_proxy->setSortRole(GroupOverviewModel::SortRole);
    m_proxy->setFilterKeyColumn(GroupOverviewModel::Source);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);

    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("txtOverviewFilter"));
    m_filter->setPlaceholderText(Text(1915));
    m_filter->setClearButtonEnabled(true);

    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("lstvOverview"));
    m_table->setModel(m_proxy);
    m_table->setSortingEnabled(true);
    m_table->sortByColumn(GroupOverviewModel::Reclaimable, Qt::DescendingOrder);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setWordWrap(false);
    m_table->setTextElideMode(Qt::ElideMiddle);
    m_table->setIconSize(QSize(kPictureSize, kPictureSize));
    // Fixed row heights and column widths: no row is measured, so 100,000
    // rows open and scroll without reading them all.
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setDefaultSectionSize(kPictureSize + 4);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_table->horizontalHeader()->setStretchLastSection(true);
    // The number columns as wide as their headings in the user's language.
    const QFontMetrics header = m_table->horizontalHeader()->fontMetrics();
    m_table->setColumnWidth(GroupOverviewModel::Source, 200);
    m_table->setColumnWidth(GroupOverviewModel::Files, header.horizontalAdvance(Text(1920)) + 30);
    m_table->setColumnWidth(
        GroupOverviewModel::Reclaimable, std::max(header.horizontalAdvance(Text(1921)) + 30, 80));

    m_pairs = new QTreeWidget(this);
    m_pairs->setObjectName(QStringLiteral("lstvNotDuplicates"));
    m_pairs->setColumnCount(2);
    m_pairs->setHeaderLabels({ Text(1919), Text(1923) });
    m_pairs->setRootIsDecorated(false);
    // Both paths matter equally: half the width each, shortened in the middle.
    m_pairs->header()->setSectionResizeMode(QHeaderView::Stretch);
    m_pairs->setTextElideMode(Qt::ElideMiddle);
    m_pairs->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_forget = new QPushButton(Text(1918), this);
    m_forget->setObjectName(QStringLiteral("cmdForget"));
    auto *pairsPage = new QWidget(this);
    auto *pairsLayout = new QVBoxLayout(pairsPage);
    pairsLayout->setContentsMargins(0, 0, 0, 0);
    pairsLayout->addWidget(m_pairs, 1);
    pairsLayout->addWidget(m_forget, 0, Qt::AlignRight);

    auto *groupsPage = new QWidget(this);
    auto *groupsLayout = new QVBoxLayout(groupsPage);
    groupsLayout->setContentsMargins(0, 0, 0, 0);
    groupsLayout->addWidget(m_filter);
    groupsLayout->addWidget(m_table, 1);

    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("tabOverview"));
    m_pages->addTab(groupsPage, Text(1916));
    m_pages->addTab(pairsPage, Text(1917));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_pages);

    m_loader = new ThumbnailLoader(this, 1);
    m_pictureTimer = new QTimer(this);
    m_pictureTimer->setSingleShot(true);
    m_pictureTimer->setInterval(150);
    connect(m_pictureTimer, &QTimer::timeout, this, &OverviewPanel::askForPictures);
    connect(m_table->verticalScrollBar(), &QScrollBar::valueChanged, m_pictureTimer,
        qOverload<>(&QTimer::start));
    connect(
        m_proxy, &QAbstractItemModel::layoutChanged, m_pictureTimer, qOverload<>(&QTimer::start));
    connect(m_proxy, &QAbstractItemModel::modelReset, m_pictureTimer, qOverload<>(&QTimer::start));
    connect(
        m_loader, &ThumbnailLoader::decoded, this, [this](int, int row, const LoadedImage &image) {
            m_model->setThumbnail(row, image.ok ? image.picture : QImage());
        });
    connect(
        m_filter, &QLineEdit::textChanged, m_proxy, &QSortFilterProxyModel::setFilterFixedString);
    connect(m_table, &QAbstractItemView::activated, this, [this](const QModelIndex &index) {
        emit groupChosen(index.data(GroupOverviewModel::PositionRole).toInt());
    });
    connect(m_table, &QAbstractItemView::clicked, this, [this](const QModelIndex &index) {
        emit groupChosen(index.data(GroupOverviewModel::PositionRole).toInt());
    });
    connect(m_forget, &QPushButton::clicked, this, &OverviewPanel::forgetSelectedPairs);
    connect(m_pages, &QTabWidget::currentChanged, this, [this](int page) {
        if (page == 1)
            refreshPairs();
    });
}

OverviewPanel::~OverviewPanel()
{
    m_loader->cancel();
}

void OverviewPanel::showSet(const CDuplicates &set, const MemorySourceLookup &memory)
{
    m_loader->cancel();
    try {
        m_model->reset(set, OpenDb(), StoredKeepRule(), memory);
    } catch (const std::exception &e) {
        m_model->clear();
        ReportException(e, QStringLiteral("frmVEXA"), QStringLiteral("ShowOverview"));
    }
    if (m_pages->currentIndex() == 1)
        refreshPairs();
}

void OverviewPanel::clear()
{
    m_loader->cancel();
    m_model->clear();
}

void OverviewPanel::markPosition(int position)
{
    const int row = m_model->rowOfPosition(position);
    if (row < 0)
        return;
    const QModelIndex index = m_proxy->mapFromSource(m_model->index(row, 0));
    if (!index.isValid())
        return;
    const QSignalBlocker blocker(m_table);
    m_table->selectionModel()->setCurrentIndex(
        index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_table->scrollTo(index);
}

// The pictures of the rows in sight (and a screen below), from the shared
// thumbnail cache where it has them.
void OverviewPanel::askForPictures()
{
    if (!isVisible() || m_proxy->rowCount() == 0)
        return;
    const int first = std::max(0, m_table->rowAt(0));
    int last = m_table->rowAt(m_table->viewport()->height() - 1);
    if (last < 0)
        last = m_proxy->rowCount() - 1;
    last = std::min(m_proxy->rowCount() - 1, last + (last - first + 1));
    QList<ThumbnailLoader::Request> requests;
    for (int r = first; r <= last; ++r) {
        const int row = m_proxy->mapToSource(m_proxy->index(r, 0)).row();
        if (row < 0 || m_model->thumbnailAsked(row))
            continue;
        m_model->setThumbnail(row, QImage());
        requests.append({ row, m_model->sourcePath(row), QSize(kPictureSize, kPictureSize) });
    }
    if (!requests.isEmpty())
        m_loader->start(requests);
}

void OverviewPanel::refreshPairs()
{
    m_pairs->clear();
    try {
        QList<QTreeWidgetItem *> items;
        for (const NotDuplicatePair &pair : NotDuplicatePairs(OpenDb())) {
            auto *item = new QTreeWidgetItem(
                { pair.firstPath.isEmpty() ? QString::number(pair.first) : pair.firstPath,
                    pair.secondPath.isEmpty() ? QString::number(pair.second) : pair.secondPath });
            item->setData(0, Qt::UserRole, pair.first);
            item->setData(1, Qt::UserRole, pair.second);
            items.append(item);
        }
        m_pairs->addTopLevelItems(items);
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmVEXA"), QStringLiteral("ShowNotDuplicates"));
    }
}

void OverviewPanel::forgetSelectedPairs()
{
    const QList<QTreeWidgetItem *> chosen = m_pairs->selectedItems();
    if (chosen.isEmpty())
        return;
    try {
        Database &db = OpenDb();
        Transaction transaction(db);
        for (const QTreeWidgetItem *item : chosen)
            ForgetNotDuplicate(
                db, item->data(0, Qt::UserRole).toInt(), item->data(1, Qt::UserRole).toInt());
        transaction.commit();
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmVEXA"), QStringLiteral("ForgetNotDuplicates"));
    }
    refreshPairs();
    emit pairsChanged();
}

QSize OverviewPanel::sizeHint() const
{
    return { 380, QWidget::sizeHint().height() };
}

}  // namespace vexa
