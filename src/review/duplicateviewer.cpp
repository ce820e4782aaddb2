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

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(2);
    layout->addLayout(m_stack, 1);
    layout->addLayout(controls);

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
    RestartTimer(m_rebuildTimer);
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
    // The pictures follow from the workers, in tile order.
    QList<ThumbnailLoader::Request> requests;
    for (const GroupTile &pending : std::as_const(m_pending))
        requests.append(
            { pending.tile, pending.path(), m_tiles[pending.tile]->pictureBoxPixels() });
    m_loader->start(requests);
}

void DuplicateViewer::thumbnailDecoded(int order, int tileIndex, const LoadedImage &image)
{
    if (order < 0 || order >= m_pending.size() || tileIndex > m_tileCount)
        return;
    const GroupTile &pending = m_pending.at(order);
    m_loading.status = LoadingText(pending.groupPosition, m_groupTotal);
    m_loading.done = pending.groupPosition;
    if (m_observer)
        m_observer->progressed(m_loading);
    // A file that does not decode keeps a tile without picture or details.
    if (image.ok)
        m_tiles[tileIndex]->SetImageInformation(tileIndex, image, pending.file.Directory,
            pending.file.FileName, pending.file.FileSize, pending.file.DimX, pending.file.DimY,
            pending.id);
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
    const QList<uctrlPreview *> selected = selectedTiles();
    if (selected.isEmpty())
        return;
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
    for (const std::int32_t file : files) {
        if (set().RemoveFile(position, file))
            break;  // the group went; position now names the next one
    }
    updateGroupRange();
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
    SetModifierFlags(ShiftMaskOf(modifiers));
    if (m_picContainer->isVisible())
        m_picContainer->setFocus();
    SelectThumb(index);
}

void DuplicateViewer::groupValueChanged(int value)
{
    m_lblDupCurrent->setText(QString::number(value));
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
