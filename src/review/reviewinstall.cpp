#include "review/reviewinstall.h"

#include "base/fileops.h"
#include "base/messages.h"
#include "base/run.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/settings.h"
#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"
#include "review/autodelete.h"
#include "review/binaryset.h"
#include "review/duplicatepersistence.h"
#include "review/duplicateviewer.h"
#include "review/keepbest.h"
#include "review/previewtile.h"
#include "review/tilelayout.h"
#include "ui/featurehost.h"
#include "ui/windowrunobserver.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <exception>

namespace vexa {
namespace {

// Owned by the window, so the observer lives exactly as long as the viewer.
class ReviewModule : public QObject {
public:
    ReviewModule(FeatureHost &window, DuplicateViewer *viewer)
        : QObject(window.hostWidget())
        , viewer(viewer)
        // Loading is driven by the thumbnails' events, and a save or load
        // holds the window disabled: neither turns the event loop.
        , progress(window, {}, WindowRunObserver::EventLoop::Leave)
    {
        setObjectName(QStringLiteral("ReviewModule"));
    }

    DuplicateViewer *viewer;
    WindowRunObserver progress;
};

ReviewModule *ModuleOf(FeatureHost &window)
{
    return window.hostWidget()->findChild<ReviewModule *>(
        QStringLiteral("ReviewModule"), Qt::FindDirectChildrenOnly);
}

int SavedGroupCount()
{
    try {
        return AppDb().duplicates ? AppDb().duplicates->recordCount() : 0;
    } catch (const std::exception &) {
        // A closed or damaged database has nothing to load.
        return 0;
    }
}

// Hourglass and a disabled window for the duration of a save or load.
class BusyWindow {
public:
    explicit BusyWindow(FeatureHost &window)
        : m_window(window)
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_window.hostWidget()->setEnabled(false);
    }
    ~BusyWindow()
    {
        m_window.hostWidget()->setEnabled(true);
        QApplication::restoreOverrideCursor();
    }
    BusyWindow(const BusyWindow &) = delete;
    BusyWindow &operator=(const BusyWindow &) = delete;

private:
    FeatureHost &m_window;
};

}  // namespace

void SaveDuplicatesCommand(FeatureHost &window)
{
    CDuplicates *set = Duplicates();
    if (!set || window.isRunning())
        return;
    ReviewModule *module = ModuleOf(window);
    {
        BusyWindow busy(window);
        DuplicateSave(*set, module ? &module->progress : nullptr);
    }
    window.SetCommandStates(false);
}

void LoadDuplicatesCommand(FeatureHost &window)
{
    CDuplicates *set = Duplicates();
    if (!set || window.isRunning() || SavedGroupCount() == 0)
        return;
    ReviewModule *module = ModuleOf(window);
    {
        BusyWindow busy(window);
        DuplicateLoad(*set, module ? &module->progress : nullptr);
        if (set->Count() > 0) {
            window.SelectTab(FeatureHost::TabDuplicates);
        } else if (window.currentTab() == FeatureHost::TabDuplicates) {
            // Every saved group was dropped: the tiles of the set that was
            // replaced must not stay on screen.
            window.SelectTab(FeatureHost::TabDatabase);
        }
        window.HideProgressBar();
    }
    window.SetCommandStates(false);
}

void ClearDuplicatesCommand(FeatureHost &window)
{
    CDuplicates *set = Duplicates();
    if (!set || window.isRunning())
        return;
    if (window.currentTab() == FeatureHost::TabDuplicates)
        window.SelectTab(FeatureHost::TabDatabase);
    DuplicateClear(*set);
    window.SetCommandStates(false);
}

void IntelligentAutodeleteCommand(FeatureHost &window)
{
    CDuplicates *set = Duplicates();
    CBinaries *binaries = Binaries();
    ReviewModule *module = ModuleOf(window);
    if (!set || !binaries || !module || window.isRunning())
        return;
    DuplicateViewer *viewer = module->viewer;
    QPushButton *button = viewer->binaryCompareButton();
    button->setEnabled(false);
    // No thumbnail decode may read the files while they are being removed.
    viewer->LeaveTab();
    window.BeginRun();
    AutodeleteOptions options;
    options.allowUndo = AllowUndoFlag();
    if (const MemoryImageLookup &lookup = viewer->memoryLookup()) {
        options.memory = [lookup](int position) -> std::optional<MemorySourceFile> {
            const std::optional<MemoryImageEntry> entry = lookup(position);
            if (!entry)
                return std::nullopt;
            return MemorySourceFile { entry->path, entry->fileName, entry->fileSize, entry->width,
                entry->height };
        };
    }
    AutodeleteEngine engine(*set, *binaries, options);
    const RunResult result
        = RunInWindow(window, engine, {}, QStringLiteral("IntelligentAutodelete"));
    window.HideProgressBar();
    window.EndRun();
    if (result.outcome != RunOutcome::Failed)
        Messages().show(AutodeleteReportText(engine.counters()), Text(650), MsgIcon::Information,
            MsgButtons::Ok);
    QStringList refused;
    for (const BinaryRemoval &removal : engine.counters().removals) {
        if (!removal.done && !removal.reason.isEmpty())
            refused.append(removal.removed + QStringLiteral(": ") + removal.reasonText);
    }
    if (!refused.isEmpty()) {
        Messages().show(Text(1950) + QChar(13) + refused.join(QChar(13)), Text(767),
            MsgIcon::Exclamation, MsgButtons::Ok);
    }
    // The pruned set, shown again (or message 724 when nothing is left).
    window.SelectTab(FeatureHost::TabDuplicates);
    button->setEnabled(true);
}

// "Select all but the best ... in every group": the plans of every group
// with the rule of the options, shown on the tiles group by group.
void KeepBestEveryGroupCommand(FeatureHost &window)
{
    CDuplicates *set = Duplicates();
    ReviewModule *module = ModuleOf(window);
    if (!set || !module || window.isRunning() || set->Count() == 0)
        return;
    KeepBestOptions options;
    options.rule = StoredKeepRule();
    options.memory = module->viewer->memorySourceLookup();
    KeepBestEngine engine(*set, options);
    window.BeginRun();
    const RunResult result = RunInWindow(window, engine, {}, QStringLiteral("KeepBest"));
    window.HideProgressBar();
    window.EndRun();
    if (result.outcome == RunOutcome::Completed)
        module->viewer->setKeepPlans(engine.plans());
}

DuplicateViewer *InstallReview(FeatureHost &window)
{
    QWidget *panel = window.tabPanel(FeatureHost::TabDuplicates);
    auto *viewer = new DuplicateViewer(panel);
    if (!panel->layout()) {
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    panel->layout()->addWidget(viewer);
    auto *module = new ReviewModule(window, viewer);
    viewer->setRunObserver(&module->progress);
    // A group whose source is -1 shows the memory entry's file as tile 0.
    viewer->setMemoryLookup([](int position) -> std::optional<MemoryImageEntry> {
        const MemorySignatureEntry *entry = MemorySignatures().at(position);
        if (!entry)
            return std::nullopt;
        return MemoryImageEntry { entry->Path, entry->FileName, entry->FileSize, entry->DimX,
            entry->DimY };
    });

    window.setDuplicateCounters(
        []() {
            const CDuplicates *set = Duplicates();
            return set ? set->Count() : 0;
        },
        []() { return SavedGroupCount(); });

    window.addNavigateKeysHandler([&window, viewer](QKeyEvent *event) {
        // The image viewer tab has keys of its own; only the Duplicates tab
        // belongs to this viewer.
        if (window.currentTab() != FeatureHost::TabDuplicates)
            return;
        if (viewer->NavigateKeyEvent(*event))
            event->accept();
    });

    window.addTabHook([viewer](int tab) {
        if (tab == FeatureHost::TabDuplicates)
            viewer->InitDuplicateView();
        else
            viewer->LeaveTab();
    });

    // Leaving a tab leaves the full-size view first.
    window.setCommandHandler(
        QStringLiteral("LeaveViewMode"), [viewer]() { viewer->LeaveViewMode(); });
    window.setCommandHandler(
        QStringLiteral("DuplicateSave"), [&window]() { SaveDuplicatesCommand(window); });
    window.setCommandHandler(
        QStringLiteral("DuplicateLoad"), [&window]() { LoadDuplicatesCommand(window); });
    window.setCommandHandler(
        QStringLiteral("DuplicateClear"), [&window]() { ClearDuplicatesCommand(window); });
    window.setCommandHandler(QStringLiteral("IntelligentAutodelete"),
        [&window]() { IntelligentAutodeleteCommand(window); });
    // "Not a duplicate" may have taken the last group away.
    QObject::connect(viewer, &DuplicateViewer::groupsChanged, window.hostWidget(), [&window]() {
        window.SetCommandStates(false);
        const CDuplicates *set = Duplicates();
        if ((!set || set->Count() == 0) && window.currentTab() == FeatureHost::TabDuplicates)
            window.SelectTab(FeatureHost::TabDatabase);
    });
    QObject::connect(viewer, &DuplicateViewer::keepBestEveryGroupClicked, window.hostWidget(),
        [&window]() { KeepBestEveryGroupCommand(window); });
    QObject::connect(viewer, &DuplicateViewer::binaryCompareClicked, window.hostWidget(),
        [&window]() { window.runCommand(QStringLiteral("IntelligentAutodelete")); });

    // First tile in place with the stored size before the window is first
    // shown, so the first rebuild does not start from the default size.
    window.addLoadHook([viewer]() {
        // Read once: a change in the options reaches deletions at the next start.
        SetAllowUndoFlag(GetSystemSetting(QStringLiteral("AllowUndo")).toBool());
        const int size = ClampThumbSize(GetSystemSetting(QStringLiteral("ThumbSize")));
        if (uctrlPreview *first = viewer->tile(0)) {
            first->moveTwips(QPoint(0, 0));
            first->SetNewSize(size);
        }
    });
    return viewer;
}

}  // namespace vexa
