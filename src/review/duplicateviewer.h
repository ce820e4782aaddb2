#pragma once

#include "base/run.h"
#include "review/grouptiles.h"
#include "review/keepbest.h"
#include "signature/imageloader.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <optional>

class QFrame;
class QKeyEvent;
class QLabel;
class QPushButton;
class QScrollBar;
class QSlider;
class QSplitter;
class QStackedLayout;
class QTimer;

namespace vexa {

class CDuplicate;
class CDuplicates;
class FullImageView;
class OverviewPanel;
class ThumbnailLoader;
class uctrlPreview;

// The Duplicates tab: one group of the duplicate set at a time as a flow of
// thumbnail tiles (tile 0 the source), the group slider and buttons, the tile
// size slider, selection by mouse and keys, and the full-size view of one
// file. Thumbnails decode on worker threads and fill in tile order.
// Interface thread only.
class DuplicateViewer : public QWidget {
    Q_OBJECT
public:
    explicit DuplicateViewer(QWidget *parent = nullptr);
    ~DuplicateViewer() override;

    // Where progress and status text go (the main window's bar); not owned.
    void setRunObserver(RunObserver *observer) { m_observer = observer; }
    void setMemoryLookup(MemoryImageLookup lookup) { m_memoryLookup = std::move(lookup); }
    const MemoryImageLookup &memoryLookup() const { return m_memoryLookup; }
    // The set shown; the application's set (Duplicates()) when none is given.
    void setDuplicateSet(CDuplicates *set) { m_set = set; }

    // Entering the tab: false, after message 724, when there is nothing to
    // show (the caller selects the previous tab again).
    bool EnterTab();
    void InitDuplicateView();
    void RebuildDuplicateView();
    void ChangeThumbSize();
    void UnloadThumbs();
    // Leaving the tab: a rebuild still waiting for its 300 ms is dropped and
    // every duplicate tile is freed.
    void LeaveTab();
    void ArrangeThumbs();
    void PlaceThumb(int index);
    void UpdateDupScrollBar();
    void SelectThumb(int index);
    void EnsureThumbVisible(int index);
    // Windows key codes (37 Left ... 46 Delete); shift mask bit 1 Shift,
    // bit 2 Ctrl. Returns true when the key was swallowed.
    bool NavigateKeys(int keyCode, int shiftMask);
    // A key press of the window, translated to its key code and shift mask;
    // true when NavigateKeys swallowed it.
    bool NavigateKeyEvent(const QKeyEvent &event);
    // The selected tiles' files go (to the trash when AllowUndo was on at
    // start-up); each deleted file loses its record and its tile reads
    // DELETED, and the statistics count them. Files that cannot be deleted
    // keep everything and are named in one message.
    void DeleteSelectedThumbs();
    // One rename question per selected tile.
    void RenameSelectedThumbs();
    // "Not a duplicate": each selected duplicate tile's file leaves the
    // group and its pair with the source is remembered; a group left
    // without duplicates goes. Nothing for a memory source or a hidden one.
    void NotDuplicateSelectedThumbs();
    // Keep-best in the group shown: every existing file but the best by the
    // rule in the options is selected, each showing why the other one stays.
    void SelectAllButBest();
    // Keep-best plans of every group (KeepBestEngine): each group shows its
    // selection when it is shown, and Delete removes the selected files of
    // every group at once. A click on a tile drops the plans.
    void setKeepPlans(std::vector<KeepGroupPlan> plans);
    void clearKeepPlans();
    const std::vector<KeepGroupPlan> &keepPlans() const { return m_keepPlans; }
    bool keepPlansForEveryGroup() const { return m_keepEveryGroup; }
    // The memory lookup in the form the engines take.
    MemorySourceLookup memorySourceLookup() const;
    // The visible, existing, selected tiles in index order.
    QList<uctrlPreview *> selectedTiles() const;
    // The full-size view of one file; false when it cannot be read.
    bool ShowPreviewImage(const QString &fullName);
    void LeaveViewMode();
    bool ViewMode() const { return m_viewMode; }
    // The Shift-held and Ctrl-held flags, refreshed by the window's key events.
    void SetModifierFlags(int shiftMask);

    // State, for the window and for tests.
    int tileCount() const { return m_tileCount; }
    int currentTile() const { return m_currentTile; }
    bool viewReady() const { return m_viewReady; }
    bool thumbnailsLoading() const;
    // A rebuild or size change is waiting for its 300 ms.
    bool delayedActionPending() const;
    uctrlPreview *tile(int index) const;
    QScrollBar *groupSlider() const { return m_HScrDup; }
    QSlider *sizeSlider() const { return m_sldThumbSize; }
    QPushButton *previousButton() const { return m_cmdDupPrev; }
    QPushButton *nextButton() const { return m_cmdDupNext; }
    QPushButton *binaryCompareButton() const { return m_cmdBinaryCompare; }
    QPushButton *keepBestButton() const { return m_cmdKeepBest; }
    QPushButton *keepBestEveryGroupButton() const { return m_cmdKeepBestAll; }
    // The overview beside the tiles, shown or hidden by its button; the
    // choice is kept in the settings (OverviewShown).
    OverviewPanel *overview() const { return m_overview; }
    QPushButton *overviewButton() const { return m_cmdOverview; }
    void setOverviewShown(bool shown);
    QLabel *currentLabel() const { return m_lblDupCurrent; }
    QLabel *countLabel() const { return m_lblDupCount; }
    QScrollBar *verticalScrollBar() const { return m_vScrDupViewer; }
    QWidget *viewPort() const { return m_picViewPort; }
    QWidget *tilePanel() const { return m_picDupViewer; }
    FullImageView *fullView() const { return m_fullView; }

signals:
    // Every group's pictures have been painted (or the load was replaced).
    void thumbnailsFinished();
    void viewModeChanged(bool on);
    // Busy: the window is disabled with the hourglass while tiles are built.
    void busyChanged(bool busy);
    // cmdBinaryCompare: the Intelligent Autodelete command.
    void binaryCompareClicked();
    // Groups were changed or removed outside a run ("Not a duplicate").
    void groupsChanged();
    // "... in every group": the window runs KeepBestEngine and hands the
    // plans back through setKeepPlans.
    void keepBestEveryGroupClicked();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void ShowDuplicate(const CDuplicate &group);
    void ShowFoundDuplicates(const CDuplicate &group);
    void finishLoading();
    void thumbnailDecoded(int order, int tile, const LoadedImage &image, bool final);
    void tileClicked(int index, Qt::KeyboardModifiers modifiers);
    void groupValueChanged(int value);
    void sizeValueChanged(int value);
    void previous();
    void next();
    void setBusy(bool busy);
    uctrlPreview *newTile(int index);
    CDuplicates &set() const;
    int panelWidthTwips() const;
    void layOutPanel();
    void hideSourceTile();
    // The group slider, count label and buttons for the set's count now.
    void updateGroupRange();
    const KeepGroupPlan *planOfShownGroup() const;
    void showKeepPlan();
    void deleteKeepPlans();
    // The overview shows the set again (when it is shown).
    void refreshOverview();
    // Two fifths of the width to the overview when the splitter, sizing it by
    // its wish (every column in full), left the tiles less than half.
    void balanceOverview();
    // The stored keep-best rule as text, to see whether it changed.
    QString keepRuleText() const;

    CDuplicates *m_set = nullptr;
    RunObserver *m_observer = nullptr;
    RunProgress m_loading;  // the loading of the group's thumbnails, as reported
    MemoryImageLookup m_memoryLookup;

    QFrame *m_picContainer = nullptr;
    QWidget *m_picViewPort = nullptr;
    QWidget *m_picDupViewer = nullptr;
    QScrollBar *m_vScrDupViewer = nullptr;
    QScrollBar *m_HScrDup = nullptr;
    QPushButton *m_cmdDupPrev = nullptr;
    QPushButton *m_cmdDupNext = nullptr;
    QPushButton *m_cmdBinaryCompare = nullptr;
    QPushButton *m_cmdKeepBest = nullptr;
    QPushButton *m_cmdKeepBestAll = nullptr;
    QPushButton *m_cmdOverview = nullptr;
    OverviewPanel *m_overview = nullptr;
    QLabel *m_lblDupCurrent = nullptr;
    QLabel *m_lblDupCount = nullptr;
    QSlider *m_sldThumbSize = nullptr;
    QStackedLayout *m_stack = nullptr;
    QSplitter *m_split = nullptr;  // the overview beside the tiles
    QWidget *m_watchedWindow = nullptr;  // for its activation
    QString m_overviewRule;  // keepRuleText() the overview was shown with
    FullImageView *m_fullView = nullptr;
    QTimer *m_rebuildTimer = nullptr;  // ResponseTimer element 1
    QTimer *m_sizeTimer = nullptr;  // ResponseTimer element 2
    ThumbnailLoader *m_loader = nullptr;

    QList<uctrlPreview *> m_tiles;  // [0] is the source tile, never unloaded
    QList<GroupTile> m_pending;  // in request order
    int m_tileCount = 0;
    int m_currentTile = 0;
    int m_groupTotal = 0;  // images in the group shown, source included
    bool m_viewReady = false;
    bool m_viewMode = false;
    bool m_shiftHeld = false;
    bool m_ctrlHeld = false;
    bool m_busy = false;
    std::vector<KeepGroupPlan> m_keepPlans;  // by group position, ascending
    bool m_keepEveryGroup = false;
};

}  // namespace vexa
