#include "review/duplicateviewer.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/errors.h"
#include "base/fileops.h"
#include "base/messages.h"
#include "base/run.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/notduplicates.h"
#include "db/recordset.h"
#include "db/settings.h"
#include "db/statistics.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"
#include "review/fullimageview.h"
#include "review/overviewpanel.h"
#include "review/previewtile.h"
#include "review/thumbnailloader.h"
#include "review/tilelayout.h"
#include "review/tileselection.h"

#include <QApplication>
#include <QFrame>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QSplitter>
#include <QStackedLayout>
#include <QStringList>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace vexa {
namespace {

const QString kModule = QStringLiteral("frmVEXA");

constexpr int kDelayMs = 300;

void RestartTimer(QTimer *timer)
{
    timer->stop();
    timer->setInterval(kDelayMs);
    timer->start();
}

QString LoadingText(int position, int total)
{
    return Text(750) + QString::number(position) + Text(752) + QString::number(total);
}

}  // namespace

DuplicateViewer::DuplicateViewer(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("DuplicateViewer"));
    m_loader = new ThumbnailLoader(this);
    connect(m_loader, &ThumbnailLoader::decoded, this, &DuplicateViewer::thumbnailDecoded);
    connect(m_loader, &ThumbnailLoader::finished, this, &DuplicateViewer::finishLoading);

    // Tiles: the frame that takes the focus, the viewport, the taller panel
    // moved inside it, and the scroll bar beside it.
    auto *tilesPage = new QWidget(this);
    auto *tilesLayout = new QHBoxLayout(tilesPage);
    tilesLayout->setContentsMargins(0, 0, 0, 0);
    tilesLayout->setSpacing(0);
    m_picContainer = new QFrame(tilesPage);
    m_picContainer->setObjectName(QStringLiteral("picContainer"));
    m_picContainer->setFrameShape(QFrame::StyledPanel);
    m_picContainer->setFrameShadow(QFrame::Sunken);
    m_picContainer->setFocusPolicy(Qt::StrongFocus);
    m_picContainer->installEventFilter(this);
    auto *containerLayout = new QHBoxLayout(m_picContainer);
    containerLayout->setContentsMargins(1, 1, 1, 1);
    m_picViewPort = new QWidget(m_picContainer);
    m_picViewPort->setObjectName(QStringLiteral("picViewPort"));
    m_picViewPort->installEventFilter(this);
    containerLayout->addWidget(m_picViewPort);
    m_picDupViewer = new QWidget(m_picViewPort);
    m_picDupViewer->setObjectName(QStringLiteral("picDupViewer"));
    m_vScrDupViewer = new QScrollBar(Qt::Vertical, tilesPage);
    m_vScrDupViewer->setObjectName(QStringLiteral("vScrDupViewer"));
    m_vScrDupViewer->hide();
    tilesLayout->addWidget(m_picContainer, 1);
    tilesLayout->addWidget(m_vScrDupViewer);
    connect(m_vScrDupViewer, &QScrollBar::valueChanged, this,
        [this](int value) { m_picDupViewer->move(0, -value); });

    m_fullView = new FullImageView(this);
    m_fullView->setObjectName(QStringLiteral("picFullView"));
    connect(m_fullView, &FullImageView::clicked, this, &DuplicateViewer::LeaveViewMode);

    m_stack = new QStackedLayout;
    m_stack->addWidget(tilesPage);
    m_stack->addWidget(m_fullView);

    // Group navigation and tile size.
    auto *controls = new QHBoxLayout;
    controls->setContentsMargins(0, 4, 0, 0);
    auto *currentCaption = new QLabel(Text(604), this);
    m_lblDupCurrent = new QLabel(QStringLiteral("0"), this);
    m_lblDupCurrent->setObjectName(QStringLiteral("lblDupCurrent"));
    auto *countCaption = new QLabel(Text(605), this);
    m_lblDupCount = new QLabel(QStringLiteral("0"), this);
    m_lblDupCount->setObjectName(QStringLiteral("lblDupCount"));
    for (QLabel *number : { m_lblDupCurrent, m_lblDupCount }) {
        number->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000")));
        QFont font = number->font();
        font.setBold(true);
        number->setFont(font);
    }
    m_cmdDupPrev = new QPushButton(this);
    m_cmdDupPrev->setObjectName(QStringLiteral("cmdDupPrev"));
    m_cmdDupPrev->setIcon(style()->standardIcon(QStyle::SP_ArrowLeft));
    m_cmdDupPrev->setToolTip(Text(1008));
    m_cmdDupNext = new QPushButton(this);
    m_cmdDupNext->setObjectName(QStringLiteral("cmdDupNext"));
    m_cmdDupNext->setIcon(style()->standardIcon(QStyle::SP_ArrowRight));
    m_cmdDupNext->setToolTip(Text(1009));
    for (QPushButton *button : { m_cmdDupPrev, m_cmdDupNext }) {
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRepeat(true);
    }
    m_HScrDup = new QScrollBar(Qt::Horizontal, this);
    m_HScrDup->setObjectName(QStringLiteral("HScrDup"));
    m_HScrDup->setToolTip(Text(1010));
    m_HScrDup->setRange(1, 1);
    m_HScrDup->setFocusPolicy(Qt::NoFocus);
    auto *sizeCaption = new QLabel(Text(606), this);
    m_sldThumbSize = new QSlider(Qt::Horizontal, this);
    m_sldThumbSize->setObjectName(QStringLiteral("sldThumbSize"));
    m_sldThumbSize->setToolTip(Text(1011));
    m_sldThumbSize->setRange(kMinThumbSize, kMaxThumbSize);
    m_sldThumbSize->setSingleStep(1);
    m_sldThumbSize->setPageStep(1);
    m_sldThumbSize->setTickPosition(QSlider::TicksBelow);
    m_sldThumbSize->setTickInterval(5);
    m_sldThumbSize->setFixedWidth(140);
    m_sldThumbSize->setValue(kDefaultThumbSize);
    m_sldThumbSize->setFocusPolicy(Qt::NoFocus);
    controls->addWidget(currentCaption);
    controls->addWidget(m_lblDupCurrent);
    controls->addWidget(countCaption);
    controls->addWidget(m_lblDupCount);
    controls->addSpacing(8);
    controls->addWidget(m_cmdDupPrev);
    controls->addWidget(m_HScrDup, 1);
    controls->addWidget(m_cmdDupNext);
    controls->addSpacing(12);
    controls->addWidget(sizeCaption);
    controls->addWidget(m_sldThumbSize);
    controls->addSpacing(12);
    m_cmdBinaryCompare = new QPushButton(Text(511), this);
    m_cmdBinaryCompare->setObjectName(QStringLiteral("cmdBinaryCompare"));
    m_cmdBinaryCompare->setToolTip(Text(1033));
    m_cmdBinaryCompare->setFocusPolicy(Qt::NoFocus);
    controls->addWidget(m_cmdBinaryCompare);
    connect(
        m_cmdBinaryCompare, &QPushButton::clicked, this, &DuplicateViewer::binaryCompareClicked);
    m_cmdKeepBest = new QPushButton(Text(1908), this);
    m_cmdKeepBest->setObjectName(QStringLiteral("cmdKeepBest"));
    m_cmdKeepBest->setFocusPolicy(Qt::NoFocus);
    m_cmdKeepBestAll = new QPushButton(Text(1909), this);
    m_cmdKeepBestAll->setObjectName(QStringLiteral("cmdKeepBestAll"));
    m_cmdKeepBestAll->setFocusPolicy(Qt::NoFocus);
    // A row of their own: the group controls above fill the width already.
    auto *review = new QHBoxLayout;
    review->addWidget(m_cmdKeepBest);
    review->addWidget(m_cmdKeepBestAll);
    m_cmdOverview = new QPushButton(Text(1914), this);
    m_cmdOverview->setObjectName(QStringLiteral("cmdOverview"));
    m_cmdOverview->setCheckable(true);
    m_cmdOverview->setFocusPolicy(Qt::NoFocus);
    review->addStretch(1);
    review->addWidget(m_cmdOverview);
    m_overview = new OverviewPanel(this);
    m_overview->hide();
    connect(m_cmdOverview, &QPushButton::toggled, this, [this](bool on) {
        setOverviewShown(on);
        WriteSetting(
            QStringLiteral("OverviewShown"), on ? QStringLiteral("1") : QStringLiteral("0"));
    });
    connect(m_overview, &OverviewPanel::groupChosen, this, [this](int position) {
        if (position >= 1 && position <= m_HScrDup->maximum())
            m_HScrDup->setValue(position);
    });
    connect(m_cmdKeepBest, &QPushButton::clicked, this, &DuplicateViewer::SelectAllButBest);
    connect(
        m_cmdKeepBestAll, &QPushButton::clicked, this, &DuplicateViewer::keepBestEveryGroupClicked);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    // A splitter, so a user who wants the overview's every column can widen it.
    auto *tilesArea = new QWidget(this);
    tilesArea->setLayout(m_stack);
    tilesArea->setMinimumWidth(200);
    m_split = new QSplitter(Qt::Horizontal, this);
    m_split->setObjectName(QStringLiteral("splOverview"));
    m_split->setChildrenCollapsible(false);
    m_split->addWidget(m_overview);
    m_split->addWidget(tilesArea);
    m_split->setStretchFactor(0, 2);
    m_split->setStretchFactor(1, 3);
    layout->addWidget(m_split, 1);
    layout->addLayout(controls);
    layout->addLayout(review);

    connect(m_cmdDupPrev, &QPushButton::clicked, this, &DuplicateViewer::previous);
    connect(m_cmdDupNext, &QPushButton::clicked, this, &DuplicateViewer::next);
    connect(m_HScrDup, &QScrollBar::sliderMoved, this,
        [this](int value) { m_lblDupCurrent->setText(QString::number(value)); });
    connect(m_HScrDup, &QScrollBar::valueChanged, this, &DuplicateViewer::groupValueChanged);
    connect(m_sldThumbSize, &QSlider::valueChanged, this, &DuplicateViewer::sizeValueChanged);

    // The two delayed actions: one rebuild or resize 300 ms after the last
    // change. Single-shot timers stop themselves before they act.
    m_rebuildTimer = new QTimer(this);
    m_rebuildTimer->setSingleShot(true);
    connect(m_rebuildTimer, &QTimer::timeout, this, &DuplicateViewer::RebuildDuplicateView);
    m_sizeTimer = new QTimer(this);
    m_sizeTimer->setSingleShot(true);
    connect(m_sizeTimer, &QTimer::timeout, this, &DuplicateViewer::ChangeThumbSize);

    m_tiles.append(newTile(0));
    m_tiles[0]->hide();
}

DuplicateViewer::~DuplicateViewer()
{
    m_loader->cancel();
}

CDuplicates &DuplicateViewer::set() const
{
    if (m_set)
        return *m_set;
    CDuplicates *application = Duplicates();
    if (!application)
        throw VexaError(ErrInvalidProcedureCall, QStringLiteral("No duplicate set"));
    return *application;
}

uctrlPreview *DuplicateViewer::tile(int index) const
{
    return index >= 0 && index < m_tiles.size() ? m_tiles.at(index) : nullptr;
}

bool DuplicateViewer::thumbnailsLoading() const
{
    return m_loader->isRunning();
}

bool DuplicateViewer::delayedActionPending() const
{
    return m_rebuildTimer->isActive() || m_sizeTimer->isActive();
}

uctrlPreview *DuplicateViewer::newTile(int index)
{
    auto *tile = new uctrlPreview(m_picDupViewer);
    tile->setObjectName(QStringLiteral("uctrlPreview%1").arg(index));
    tile->setIndex(index);
    connect(tile, &uctrlPreview::Click, this, &DuplicateViewer::tileClicked);
    connect(tile, &uctrlPreview::DeleteClicked, this, [this](int) { DeleteSelectedThumbs(); });
    connect(tile, &uctrlPreview::RenameClicked, this, [this](int) { RenameSelectedThumbs(); });
    connect(tile, &uctrlPreview::NotDuplicateClicked, this,
        [this](int) { NotDuplicateSelectedThumbs(); });
    connect(tile, &uctrlPreview::View, this, [this](const QString &path) {
        if (ShowPreviewImage(path))
            m_viewMode = true;
    });
    connect(tile, &uctrlPreview::KeyDown, this, [this](int key, int mask) {
        const int code = VirtualKeyOf(key);
        if (mask == 0 && code > 10)
            NavigateKeys(code, mask);
    });
    return tile;
}

bool DuplicateViewer::EnterTab()
{
    if (set().Count() == 0) {
        Messages().show(Text(724), Text(725), MsgIcon::Information, MsgButtons::Ok);
        return false;
    }
    InitDuplicateView();
    return true;
}

void DuplicateViewer::InitDuplicateView()
{
    m_viewReady = false;
    clearKeepPlans();
    {
        const QSignalBlocker blocker(m_cmdOverview);
        m_cmdOverview->setChecked(
            ReadSetting(QStringLiteral("OverviewShown")) == QStringLiteral("1"));
    }
    m_overview->setVisible(m_cmdOverview->isChecked());
    const int groups = set().Count();
    m_lblDupCurrent->setText(QStringLiteral("1"));
    m_lblDupCount->setText(QString::number(groups));
    const bool several = groups != 1;
    m_HScrDup->setVisible(several);
    m_cmdDupNext->setVisible(several);
    m_cmdDupPrev->setVisible(several);
    m_HScrDup->setValue(1);
    m_HScrDup->setMinimum(1);
    m_HScrDup->setMaximum(std::max(1, groups));
    m_HScrDup->setSingleStep(1);
    m_HScrDup->setPageStep(1);
    m_sldThumbSize->setValue(ClampThumbSize(GetSystemSetting(QStringLiteral("ThumbSize"))));
    m_viewReady = true;
    refreshOverview();
    RestartTimer(m_rebuildTimer);
}

void DuplicateViewer::setOverviewShown(bool shown)
{
    if (m_cmdOverview->isChecked() != shown) {
        const QSignalBlocker blocker(m_cmdOverview);
        m_cmdOverview->setChecked(shown);
    }
    m_overview->setVisible(shown);
    if (shown)
        QTimer::singleShot(0, this, &DuplicateViewer::balanceOverview);
    refreshOverview();
}

void DuplicateViewer::balanceOverview()
{
    const QList<int> sizes = m_split->sizes();
    const int total = sizes.value(0) + sizes.value(1);
    if (m_overview->isVisible() && total > 0 && sizes.value(1) < total / 2)
        m_split->setSizes({ total * 2 / 5, total - total * 2 / 5 });
}

void DuplicateViewer::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (QWidget *top = window(); top != this && top != m_watchedWindow) {
        top->installEventFilter(this);
        m_watchedWindow = top;
    }
    QTimer::singleShot(0, this, &DuplicateViewer::balanceOverview);
}

QString DuplicateViewer::keepRuleText() const
{
    return ReadSetting(QStringLiteral("KeepBestRule")) + QLatin1Char('\n')
        + ReadSetting(QStringLiteral("KeepBestPreferred"));
}

void DuplicateViewer::refreshOverview()
{
    m_overviewRule = keepRuleText();
    if (!m_overview->isVisibleTo(this)) {
        m_overview->clear();
        return;
    }
    m_overview->showSet(set(), memorySourceLookup());
    m_overview->markPosition(m_HScrDup->value());
}

void DuplicateViewer::ChangeThumbSize()
{
    RebuildDuplicateView();
}

void DuplicateViewer::setBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    if (QWidget *top = window())
        top->setEnabled(!busy);
    emit busyChanged(busy);
}

void DuplicateViewer::RebuildDuplicateView()
{
    m_viewReady = false;
    if (m_picContainer->isVisible())
        m_picContainer->setFocus();
    setBusy(true);
    m_picDupViewer->hide();
    m_vScrDupViewer->hide();
    m_currentTile = 0;
    m_tiles[0]->SetNewSize(m_sldThumbSize->value());
    SelectThumb(0);
    UnloadThumbs();
    m_vScrDupViewer->setValue(0);
    layOutPanel();
    m_picDupViewer->resize(m_picDupViewer->width(), m_picViewPort->height());
    m_picDupViewer->show();
    if (set().Count() >= 1) {
        const int position = std::clamp(m_HScrDup->value(), 1, set().Count());
        ShowDuplicate(set().Item(position));
    }
    m_lblDupCurrent->setText(QString::number(m_HScrDup->value()));
    setBusy(false);
    // Disabling the window took the focus away; the keys belong to the tiles.
    if (m_picContainer->isVisible() && !QApplication::focusWidget())
        m_picContainer->setFocus();
    m_viewReady = true;
}

void DuplicateViewer::hideSourceTile()
{
    // Nothing of an earlier group may stay selectable behind a hidden tile 0.
    m_tiles[0]->hide();
    m_tiles[0]->Activate(false);
    m_tiles[0]->Reset();
}

void DuplicateViewer::ShowDuplicate(const CDuplicate &group)
{
    try {
        m_pending.clear();
        m_loading = {};
        m_groupTotal = int(group.fileIds().size()) + 1;
        m_tiles[0]->hide();
        m_tiles[0]->Reset();
        const std::optional<GroupTile> source
            = GroupSourceTile(group, *AppDb().fileData, m_memoryLookup);
        if (source) {
            m_loading.status = LoadingText(1, m_groupTotal);
            m_tiles[0]->SetNewSize(m_sldThumbSize->value());
            m_pending.append(*source);
            m_tiles[0]->show();
        } else {
            hideSourceTile();
        }
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("ShowDuplicate"));
        return;
    }
    ShowFoundDuplicates(group);
}

void DuplicateViewer::ShowFoundDuplicates(const CDuplicate &group)
{
    try {
        m_loading.total = group.fileIds().size() + 1;
        m_loading.done = 0;
        if (m_observer)
            m_observer->started(m_loading);
        bool more = false;
        const QList<GroupTile> found = GroupDuplicateTiles(
            group, *AppDb().fileData, kMaxDuplicateTiles - m_tileCount, &more);
        for (const GroupTile &pending : found) {
            ++m_tileCount;
            uctrlPreview *tile
                = m_tileCount < m_tiles.size() ? m_tiles[m_tileCount] : newTile(m_tileCount);
            if (m_tileCount >= m_tiles.size())
                m_tiles.append(tile);
            tile->Reset();
            tile->setIndex(m_tileCount);
            tile->SetNewSize(m_sldThumbSize->value());
            tile->setNotDuplicateOffered(group.lSource() >= 0 && !m_tiles[0]->isHidden());
            GroupTile request = pending;
            request.tile = m_tileCount;
            m_pending.append(request);
            tile->show();
            ArrangeThumbs();
        }
        if (more)
            Messages().show(Text(751), QStringLiteral("Maximum Duplicates"), MsgIcon::Exclamation,
                MsgButtons::Ok);
        if (m_tileCount == 0 && !m_tiles[0]->isHidden())
            ArrangeThumbs();
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("ShowFoundDuplicates"));
    }
    m_vScrDupViewer->setValue(0);
    layOutPanel();
    UpdateDupScrollBar();
    if (m_tiles[0]->isHidden() && m_tileCount >= 1) {
        // The source is not shown: the selection starts at the first tile.
        m_currentTile = 1;
        SelectThumb(1);
    }
    showKeepPlan();
    // The pictures follow from the workers, in tile order.
    QList<ThumbnailLoader::Request> requests;
    for (const GroupTile &pending : std::as_const(m_pending))
        requests.append(
            { pending.tile, pending.path(), m_tiles[pending.tile]->pictureBoxPixels() });
    m_loader->start(requests);
}

void DuplicateViewer::thumbnailDecoded(
    int order, int tileIndex, const LoadedImage &image, bool final)
{
    if (order < 0 || order >= m_pending.size() || tileIndex > m_tileCount)
        return;
    const GroupTile &pending = m_pending.at(order);
    if (final) {
        m_loading.status = LoadingText(pending.groupPosition, m_groupTotal);
        m_loading.done = pending.groupPosition;
        if (m_observer)
            m_observer->progressed(m_loading);
    }
    uctrlPreview *tile = m_tiles[tileIndex];
    if (image.ok) {
        tile->SetImageInformation(tileIndex, image, pending.file.Directory, pending.file.FileName,
            pending.file.FileSize, pending.file.DimX, pending.file.DimY, pending.id);
    } else if (tile->hasPicture()) {
        // The file itself does not decode: its embedded picture must not
        // make it look sound. It keeps a tile without picture or details.
        const QString reason = tile->keepReason();
        tile->Reset();
        tile->setKeepReason(reason);
    }
}

void DuplicateViewer::finishLoading()
{
    m_loading.status.clear();
    if (m_observer)
        m_observer->finished({}, m_loading);
    emit thumbnailsFinished();
}

void DuplicateViewer::UnloadThumbs()
{
    const bool wasLoading = m_loader->isRunning();
    m_loader->cancel();
    m_pending.clear();
    m_tiles[0]->hide();
    for (int i = 1; i <= m_tileCount && i < m_tiles.size(); ++i) {
        m_tiles[i]->CleanUp();
        // Hidden at once: the deletion waits for the event loop, and a run's
        // own event loop turns do not carry it out.
        m_tiles[i]->hide();
        m_tiles[i]->deleteLater();
    }
    m_tiles.resize(1);
    m_tileCount = 0;
    if (wasLoading)
        finishLoading();
}

void DuplicateViewer::LeaveTab()
{
    m_rebuildTimer->stop();
    m_sizeTimer->stop();
    UnloadThumbs();
}

int DuplicateViewer::panelWidthTwips() const
{
    return m_picDupViewer->width() * Env().twipsPerPixelX;
}

void DuplicateViewer::layOutPanel()
{
    m_picDupViewer->resize(m_picViewPort->width(), m_picDupViewer->height());
}

void DuplicateViewer::ArrangeThumbs()
{
    int start = 1;
    if (m_tiles[0]->isHidden()) {
        if (m_tileCount < 1)
            return;
        m_tiles[1]->moveTwips(QPoint(0, 0));
        start = 2;
    } else {
        m_tiles[0]->moveTwips(QPoint(0, 0));
    }
    const uctrlPreview *first = m_tiles[start - 1];
    m_picDupViewer->resize(
        m_picDupViewer->width(), std::max(m_picViewPort->height(), first->height()));
    for (int i = start; i <= m_tileCount; ++i)
        PlaceThumb(i);
    if (m_tileCount >= 1)
        m_tiles[m_tileCount]->show();
}

void DuplicateViewer::PlaceThumb(int index)
{
    if (index < 1 || index >= m_tiles.size())
        return;
    const uctrlPreview *previous = m_tiles[index - 1];
    uctrlPreview *current = m_tiles[index];
    const QPoint p = previous->posTwips();
    const QSize pSize = previous->sizeTwips();
    if (p.x() + 2 * current->sizeTwips().width() > panelWidthTwips())
        current->moveTwips(QPoint(0, p.y() + pSize.height()));
    else
        current->moveTwips(QPoint(p.x() + pSize.width(), p.y()));
    m_picDupViewer->resize(m_picDupViewer->width(), current->geometry().bottom() + 1);
}

void DuplicateViewer::UpdateDupScrollBar()
{
    const int viewport = m_picViewPort->height();
    const int panel = m_picDupViewer->height();
    if (panel > viewport) {
        m_vScrDupViewer->setMinimum(0);
        m_vScrDupViewer->setMaximum(panel - viewport);
        m_vScrDupViewer->setSingleStep(std::max(1, viewport / 2));
        m_vScrDupViewer->setPageStep(std::max(1, viewport));
        m_vScrDupViewer->show();
    } else {
        m_vScrDupViewer->setValue(0);
        m_vScrDupViewer->hide();
        m_picDupViewer->move(0, 0);
    }
}

void DuplicateViewer::SelectThumb(int index)
{
    const int count = std::min(m_tileCount + 1, int(m_tiles.size()));
    if (index < 0 || index >= count)
        return;
    QList<bool> active(count);
    for (int i = 0; i < count; ++i)
        active[i] = m_tiles[i]->IsActive();
    const int mask = (m_shiftHeld ? 1 : 0) | (m_ctrlHeld ? 2 : 0);
    const QList<bool> selected
        = SelectTile(active, m_currentTile, index, mask, m_tiles[0]->isHidden());
    for (int i = 0; i < count; ++i) {
        if (selected[i] != active[i])
            m_tiles[i]->Activate(selected[i]);
    }
    m_currentTile = index;
}

void DuplicateViewer::EnsureThumbVisible(int index)
{
    const uctrlPreview *tile = this->tile(index);
    if (!tile)
        return;
    const int top = tile->y();
    const int bottom = tile->y() + tile->height();
    const int value = m_vScrDupViewer->value();
    const int viewport = m_picViewPort->height();
    if (top < value)
        m_vScrDupViewer->setValue(top);
    else if (bottom > value + viewport)
        m_vScrDupViewer->setValue(std::min(bottom - viewport, m_vScrDupViewer->maximum()));
}

bool DuplicateViewer::NavigateKeys(int keyCode, int shiftMask)
{
    SetModifierFlags(shiftMask);
    if (m_viewMode) {
        if (keyCode == VkReturn) {
            LeaveViewMode();
            return true;
        }
        return false;
    }
    if (!m_viewReady)
        return false;
    // Tile 0 takes part only while it shows the source.
    const int first = m_tiles[0]->isHidden() ? std::min(1, m_tileCount) : 0;
    const int perRow = TilesPerRow(m_picViewPort->width(), m_tiles[first]->width());
    const int target = ArrowKeyTarget(keyCode, m_currentTile, first, m_tileCount, perRow);
    bool swallowed = false;
    switch (keyCode) {
    case VkReturn: {
        const uctrlPreview *current = tile(m_currentTile);
        if (current && !current->FileName().isEmpty() && ShowPreviewImage(current->FullPath()))
            m_viewMode = true;
        swallowed = true;
        break;
    }
    case VkDelete:
        DeleteSelectedThumbs();
        swallowed = true;
        break;
    case VkN:
        NotDuplicateSelectedThumbs();
        swallowed = true;
        break;
    case VkPageUp:
    case VkPageDown:
        m_HScrDup->setValue(PageKeyGroup(keyCode, m_HScrDup->value(), m_HScrDup->minimum(),
            m_HScrDup->maximum(), set().Count()));
        swallowed = true;
        break;
    default: break;
    }
    if (target >= 0 && target != m_currentTile) {
        EnsureThumbVisible(target);
        SelectThumb(target);
        swallowed = true;
    } else if (target >= 0) {
        swallowed = true;
    }
    m_lblDupCurrent->setText(QString::number(m_HScrDup->value()));
    return swallowed;
}

bool DuplicateViewer::NavigateKeyEvent(const QKeyEvent &event)
{
    const int mask = ShiftMaskOf(event.modifiers());
    SetModifierFlags(mask);
    const int code = VirtualKeyOf(event.key());
    return code > 10 && code != VkF1 && NavigateKeys(code, mask);
}

QList<uctrlPreview *> DuplicateViewer::selectedTiles() const
{
    // Only what the user can see selected: a hidden tile 0 (source gone) or
    // a tile already showing DELETED is never acted on.
    QList<uctrlPreview *> selected;
    for (int i = 0; i <= m_tileCount && i < m_tiles.size(); ++i) {
        uctrlPreview *tile = m_tiles.at(i);
        if (tile->IsActive() && !tile->isHidden() && tile->Exists())
            selected.append(tile);
    }
    return selected;
}

void DuplicateViewer::DeleteSelectedThumbs()
{
    if (m_keepEveryGroup && !m_keepPlans.empty()) {
        deleteKeepPlans();
        return;
    }
    const QList<uctrlPreview *> selected = selectedTiles();
    if (selected.isEmpty())
        return;
    // A keep-best selection: the file that stays must still be there and be
    // another file, checked again just before each removal.
    const KeepGroupPlan *plan = planOfShownGroup();
    const KeepFile *kept = plan ? &plan->files[std::size_t(plan->decision.kept)] : nullptr;
    setBusy(true);
    RunProgress deleting;
    deleting.status = Text(735);
    if (m_observer)
        m_observer->started(deleting);
    // Each file first: only a file that is gone loses its record, its tile
    // and its count, so a failure leaves everything as it was.
    std::int64_t files = 0;
    std::int64_t bytes = 0;
    QStringList failures;
    for (uctrlPreview *tile : selected) {
        if (kept) {
            if (tile->FullPath() == kept->path)
                continue;  // never the copy that stays
            const DiskStat keptNow = StatOnDisk(kept->path);
            const DiskStat fileNow = StatOnDisk(tile->FullPath());
            const QString refused = !keptNow.exists                                    ? Text(1991)
                : (keptNow.device == fileNow.device && keptNow.inode == fileNow.inode) ? Text(1992)
                                                                                       : QString();
            if (!refused.isEmpty()) {
                failures.append(tile->FileName() + QStringLiteral(": ") + refused);
                continue;
            }
        }
        const FileOpResult result = DeleteFile(tile->FullPath(), AllowUndoFlag());
        if (!result) {
            failures.append(tile->FileName() + QStringLiteral(": ") + ReasonText(result));
            continue;
        }
        tile->Delete();
        ++files;
        bytes += tile->FileSize();
    }
    if (files > 0) {
        try {
            AddDeletionStatistics(files, bytes);
        } catch (const std::exception &) {
            // The counters never hold up a deletion.
        }
    }
    if (m_observer)
        m_observer->finished({}, RunProgress());
    setBusy(false);
    if (!failures.isEmpty()) {
        Messages().show(Text(1950) + QChar(13) + failures.join(QChar(13)), Text(767),
            MsgIcon::Exclamation, MsgButtons::Ok);
    }
}

void DuplicateViewer::RenameSelectedThumbs()
{
    const QList<uctrlPreview *> selected = selectedTiles();
    if (selected.isEmpty())
        return;
    setBusy(true);
    RunProgress renaming;
    renaming.total = selected.size();
    if (m_observer)
        m_observer->started(renaming);
    for (uctrlPreview *tile : selected) {
        if (m_observer)
            m_observer->progressed(renaming);
        // Each tile its own question; a cancelled one leaves that file alone.
        tile->Rename();
        ++renaming.done;
    }
    if (m_observer)
        m_observer->finished({}, renaming);
    setBusy(false);
}

void DuplicateViewer::NotDuplicateSelectedThumbs()
{
    const int position = m_HScrDup->value();
    if (!m_viewReady || position < 1 || position > set().Count())
        return;
    const std::int32_t source = set().Item(position).lSource();
    // A pair needs two records: the source's tile must show its record.
    if (source < 0 || m_tiles[0]->isHidden())
        return;
    QList<std::int32_t> files;
    for (const uctrlPreview *tile : selectedTiles()) {
        for (const GroupTile &pending : std::as_const(m_pending)) {
            if (pending.tile == tile->Index() && pending.tile > 0 && pending.id >= 0
                && pending.id != source)
                files.append(pending.id);
        }
    }
    if (files.isEmpty())
        return;
    try {
        Database &db = OpenDb();
        Transaction transaction(db);
        for (const std::int32_t file : files)
            RememberNotDuplicate(db, source, file);
        transaction.commit();
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmVEXA"), QStringLiteral("NotDuplicateSelectedThumbs"));
        return;
    }
    clearKeepPlans();  // positions and groups change
    for (const std::int32_t file : files) {
        if (set().RemoveFile(position, file))
            break;  // the group went; position now names the next one
    }
    updateGroupRange();
    refreshOverview();
    emit groupsChanged();
    if (set().Count() > 0)
        RebuildDuplicateView();
}

MemorySourceLookup DuplicateViewer::memorySourceLookup() const
{
    if (!m_memoryLookup)
        return {};
    return [lookup = m_memoryLookup](int position) -> std::optional<MemorySourceFile> {
        const std::optional<MemoryImageEntry> entry = lookup(position);
        if (!entry)
            return std::nullopt;
        return MemorySourceFile { entry->path, entry->fileName, entry->fileSize, entry->width,
            entry->height };
    };
}

void DuplicateViewer::SelectAllButBest()
{
    const int position = m_HScrDup->value();
    if (!m_viewReady || position < 1 || position > set().Count())
        return;
    std::vector<KeepGroupPlan> plans;
    try {
        KeepGroupPlan plan = PlanKeepBest(
            OpenDb(), set().Item(position), position, StoredKeepRule(), memorySourceLookup());
        if (plan.files.size() >= 2)
            plans.push_back(std::move(plan));
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("SelectAllButBest"));
        return;
    }
    m_keepPlans = std::move(plans);
    m_keepEveryGroup = false;
    showKeepPlan();
}

void DuplicateViewer::setKeepPlans(std::vector<KeepGroupPlan> plans)
{
    m_keepPlans = std::move(plans);
    m_keepEveryGroup = true;
    showKeepPlan();
}

void DuplicateViewer::clearKeepPlans()
{
    const bool shown = !m_keepPlans.empty();
    m_keepPlans.clear();
    m_keepEveryGroup = false;
    if (!shown)
        return;
    for (int i = 0; i <= m_tileCount && i < m_tiles.size(); ++i)
        m_tiles[i]->setKeepReason(QString());
}

const KeepGroupPlan *DuplicateViewer::planOfShownGroup() const
{
    const int position = m_HScrDup->value();
    const auto plan = std::lower_bound(m_keepPlans.begin(), m_keepPlans.end(), position,
        [](const KeepGroupPlan &p, int value) { return p.position < value; });
    return plan != m_keepPlans.end() && plan->position == position ? &*plan : nullptr;
}

// The plan of the group shown, on its tiles: the selected files active with
// their reasons, every other tile not.
void DuplicateViewer::showKeepPlan()
{
    const KeepGroupPlan *plan = planOfShownGroup();
    if (!plan)
        return;
    const KeepFile &kept = plan->files[std::size_t(plan->decision.kept)];
    for (int i = 0; i <= m_tileCount && i < m_tiles.size(); ++i) {
        m_tiles[i]->Activate(false);
        m_tiles[i]->setKeepReason(QString());
    }
    int first = -1;
    for (const int index : plan->selected()) {
        const KeepFile &file = plan->files[std::size_t(index)];
        for (const GroupTile &pending : std::as_const(m_pending)) {
            if (pending.path() != file.path || pending.tile > m_tileCount)
                continue;
            uctrlPreview *tile = m_tiles[pending.tile];
            tile->Activate(true);
            tile->setKeepReason(KeepReasonText(kept, plan->decision.reasons[std::size_t(index)]));
            first = first < 0 ? pending.tile : std::min(first, pending.tile);
        }
    }
    if (first >= 0)
        m_currentTile = first;
}

// Delete with the plans of every group: each group's selected files go
// through the same checks and the same trash as a tile's, then the set
// loses the groups left with one file.
void DuplicateViewer::deleteKeepPlans()
{
    const std::vector<KeepGroupPlan> plans = std::move(m_keepPlans);
    clearKeepPlans();
    m_loader->cancel();  // no decode may read the files while they go
    setBusy(true);
    RunProgress deleting;
    deleting.status = Text(735);
    if (m_observer)
        m_observer->started(deleting);
    const std::vector<KeepRemoval> removals = ApplyKeepBest(plans, AllowUndoFlag());
    QStringList failures;
    for (const KeepRemoval &removal : removals) {
        if (!removal.reason.isEmpty())
            failures.append(DisplayName(removal.path) + QStringLiteral(": ") + removal.reason);
    }
    try {
        set().DeleteNonRelevantDuplicates();
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("DeleteSelectedThumbs"));
    }
    if (m_observer)
        m_observer->finished({}, RunProgress());
    setBusy(false);
    if (!failures.isEmpty()) {
        Messages().show(Text(1950) + QChar(13) + failures.join(QChar(13)), Text(767),
            MsgIcon::Exclamation, MsgButtons::Ok);
    }
    updateGroupRange();
    refreshOverview();
    emit groupsChanged();
    if (set().Count() > 0)
        RebuildDuplicateView();
}

void DuplicateViewer::updateGroupRange()
{
    const bool ready = m_viewReady;
    m_viewReady = false;  // no rebuild timer for the program's own changes
    const int groups = set().Count();
    const bool several = groups > 1;
    m_HScrDup->setVisible(several);
    m_cmdDupNext->setVisible(several);
    m_cmdDupPrev->setVisible(several);
    m_HScrDup->setMaximum(std::max(1, groups));
    m_lblDupCount->setText(QString::number(groups));
    m_lblDupCurrent->setText(QString::number(m_HScrDup->value()));
    m_viewReady = ready;
}

bool DuplicateViewer::ShowPreviewImage(const QString &fullName)
{
    try {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool shown = m_fullView->ShowImageFile(fullName);
        QApplication::restoreOverrideCursor();
        if (!shown)
            return false;
        m_stack->setCurrentWidget(m_fullView);
        m_fullView->setFocus();
        m_viewMode = true;
        emit viewModeChanged(true);
        return true;
    } catch (const std::exception &e) {
        QApplication::restoreOverrideCursor();
        ReportException(
            e, kModule, QStringLiteral("ShowPreviewImage(") + fullName + QLatin1Char(')'));
        return false;
    }
}

void DuplicateViewer::LeaveViewMode()
{
    if (!m_viewMode)
        return;
    m_viewMode = false;
    m_stack->setCurrentIndex(0);
    m_fullView->Clear();
    if (m_picContainer->isVisible())
        m_picContainer->setFocus();
    emit viewModeChanged(false);
}

void DuplicateViewer::SetModifierFlags(int shiftMask)
{
    m_shiftHeld = (shiftMask & 1) != 0;
    m_ctrlHeld = (shiftMask & 2) != 0;
}

void DuplicateViewer::tileClicked(int index, Qt::KeyboardModifiers modifiers)
{
    // The user selects by hand from here on.
    clearKeepPlans();
    SetModifierFlags(ShiftMaskOf(modifiers));
    if (m_picContainer->isVisible())
        m_picContainer->setFocus();
    SelectThumb(index);
}

void DuplicateViewer::groupValueChanged(int value)
{
    m_lblDupCurrent->setText(QString::number(value));
    if (m_overview->isVisibleTo(this))
        m_overview->markPosition(value);
    if (m_viewReady)
        RestartTimer(m_rebuildTimer);
}

void DuplicateViewer::sizeValueChanged(int value)
{
    if (!m_viewReady)
        return;
    if (value == ClampThumbSize(GetSystemSetting(QStringLiteral("ThumbSize"))))
        return;
    SaveSystemSetting(QStringLiteral("ThumbSize"), value);
    RestartTimer(m_sizeTimer);
}

void DuplicateViewer::previous()
{
    if (m_HScrDup->value() >= 2)
        m_HScrDup->setValue(m_HScrDup->value() - 1);
}

void DuplicateViewer::next()
{
    if (m_HScrDup->value() < m_HScrDup->maximum())
        m_HScrDup->setValue(m_HScrDup->value() + 1);
}

void DuplicateViewer::keyPressEvent(QKeyEvent *event)
{
    SetModifierFlags(ShiftMaskOf(event->modifiers()));
    const int code = VirtualKeyOf(event->key());
    if (code > 10 && code != VkF1 && NavigateKeys(code, ShiftMaskOf(event->modifiers()))) {
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Escape && m_viewMode) {
        LeaveViewMode();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void DuplicateViewer::keyReleaseEvent(QKeyEvent *event)
{
    SetModifierFlags(ShiftMaskOf(event->modifiers()));
    QWidget::keyReleaseEvent(event);
}

bool DuplicateViewer::eventFilter(QObject *watched, QEvent *event)
{
    // Back from the options (or any other window): a keep-best rule changed
    // there gives the overview's keep column again.
    if (watched == window() && event->type() == QEvent::WindowActivate
        && m_overview->isVisibleTo(this) && keepRuleText() != m_overviewRule)
        refreshOverview();
    if (watched == m_picViewPort && event->type() == QEvent::Resize) {
        layOutPanel();
        if (m_picDupViewer->height() < m_picViewPort->height())
            m_picDupViewer->resize(m_picDupViewer->width(), m_picViewPort->height());
        ArrangeThumbs();
        UpdateDupScrollBar();
        EnsureThumbVisible(m_currentTile);
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vexa
