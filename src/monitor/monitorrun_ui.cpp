#include "monitor/monitorrun_ui.h"

#include "base/errors.h"
#include "base/messages.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/settings.h"
#include "gather/memorygather.h"
#include "gather/memorysignatures.h"
#include "monitor/monitortab.h"
#include "narration/duplicateset.h"
#include "narration/memorynarration.h"
#include "narration/narrationpanel.h"
#include "narration/narrationsettings.h"
#include "narration/narrationsettingstab.h"
#include "ui/featurehost.h"
#include "ui/windowrunobserver.h"

#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QVBoxLayout>

namespace vexa {

namespace {

std::optional<bool> g_trayAvailable;

bool TrayAvailable()
{
    return g_trayAvailable ? *g_trayAvailable : QSystemTrayIcon::isSystemTrayAvailable();
}

// Icon resources 300 (resting) and 301 (comparing).
QIcon TrayIcon(int id)
{
    return QIcon(id == 301 ? QStringLiteral(":/icons/tray_compare.svg")
                           : QStringLiteral(":/icons/tray.svg"));
}

// Question 779 before a run replaces the duplicate set; true to go on.
bool MayReplaceDuplicates()
{
    const CDuplicates *set = Duplicates();
    if (!set || set->Count() == 0)
        return true;
    return Messages().show(Text(779), Text(707), MsgIcon::Exclamation, MsgButtons::YesNo)
        == MsgResult::Yes;
}

QStatusBar *StatusBarOf(QWidget *window)
{
    auto *main = qobject_cast<QMainWindow *>(window);
    return main ? main->statusBar() : nullptr;
}

}  // namespace

std::int32_t GatherByMemoryInWindow(
    FeatureHost &window, const QStringList &files, bool append, std::int32_t *base)
{
    window.BeginRun();
    MemoryGatherOptions options;
    options.append = append;
    // A replacing gather fills a list of its own that takes the program's
    // place only when a file loaded: when none does, the set is kept, and
    // its groups must go on naming the entries they were made from.
    MemorySignatureList fresh;
    MemoryGatherEngine engine(append ? MemorySignatures() : fresh, files, options);
    RunInWindow(window, engine, {}, QStringLiteral("GatherByMemory"));
    if (!append && engine.gathered() > 0)
        MemorySignatures() = std::move(fresh);
    if (engine.overflow())
        Messages().show(Text(744), Text(745), MsgIcon::Critical, MsgButtons::Ok);
    window.HideProgressBar();
    window.restoreAfterRun();
    window.EndRun();
    if (base)
        *base = engine.base();
    return engine.gathered();
}

RunResult NarrateMemoryInWindow(FeatureHost &window, bool clearFirst, std::int32_t start,
    std::function<void(std::int32_t, std::int32_t)> comparing)
{
    CDuplicates *set = Duplicates();
    if (!set || !AppDb().db)
        return RunResult::failed(ErrDatabaseNotOpen, QStringLiteral("No database"));
    window.BeginRun();
    MemoryNarrationOptions options;
    options.clearFirst = clearFirst;
    options.startIndex = start;
    options.comparing = std::move(comparing);
    if (const auto *settings = window.hostWidget()->findChild<NarrationSettingsTab *>()) {
        options.method = settings->comparisonMethod();
        options.toleranceLevel = settings->toleranceLevel();
        options.anyOrientation = settings->findRotatedCopies();
    } else {
        options.method = kDefaultMethod;
        options.toleranceLevel = ToleranceLevel(PresetOf(kDefaultMethod).slider);
        options.anyOrientation = ReadFindRotatedCopies();
    }
    NarrationPanel &panel = NarrationPanel::In(window);
    panel.SetCounters(0, 0, 0);
    panel.SetEstimate(QString());
    window.ShowInfoPanel(FeatureHost::InfoNarration);
    MemoryNarrationEngine engine(*AppDb().db, *set, MemorySignatures(), options);
    const RunResult result = RunInWindow(
        window, engine,
        [&panel](const RunProgress &p) {
            panel.SetCounters(p.total, p.done, p.found);
            if (p.remainingMs >= 0)
                panel.SetEstimate(EstimateText(p.remainingMs));
        },
        QStringLiteral("mnuNarration"));
    if (result.outcome == RunOutcome::Failed) {
        window.EndRun();
        window.SelectTab(FeatureHost::TabDatabase);
        return result;
    }
    window.HideProgressBar();
    window.restoreAfterRun();
    if (clearFirst) {
        Messages().show(Text(748) + QLatin1Char('\r') + QLatin1Char('\r') + Text(739)
                + ElapsedText(engine.counters().elapsedMs),
            Text(741), MsgIcon::Information, MsgButtons::Ok);
        window.SelectTab(FeatureHost::TabDuplicates);
    }
    window.EndRun();
    return result;
}

void MonitorModule::OverrideTrayAvailable(std::optional<bool> available)
{
    g_trayAvailable = available;
}

MonitorModule::MonitorModule(FeatureHost &window, MonitorTab *tab)
    : QObject(window.hostWidget())
    , m_window(window)
    , m_tab(tab)
{
    setObjectName(QStringLiteral("MonitorModule"));
    m_stopButton = new QPushButton(window.hostWidget());
    m_stopButton->setObjectName(QStringLiteral("cmdStopMonitor"));
    m_stopButton->hide();
    connect(m_stopButton, &QPushButton::clicked, this, &MonitorModule::StopMonitor);
    // The monitor's one-second tick; started again only at the end of a
    // tick, so ticks never overlap.
    m_tick = new QTimer(this);
    m_tick->setObjectName(QStringLiteral("ResponseTimer3"));
    m_tick->setSingleShot(true);
    m_tick->setInterval(1000);
    connect(m_tick, &QTimer::timeout, this, &MonitorModule::MonitorTick);
}

// The window is going: the tray icon (a child) goes with this object and
// takes itself off the tray; its menu has no parent.
MonitorModule::~MonitorModule()
{
    delete m_trayMenu;
}

QWidget *MonitorModule::window() const
{
    return m_window.hostWidget();
}

void MonitorModule::InstantCheck(const QStringList &paths)
{
    if (m_window.isRunning() || m_window.isMonitoring())
        return;
    try {
        if (!MayReplaceDuplicates())
            return;
        const QStringList files = ImageFilesOf(paths);
        if (files.isEmpty())
            return;
        if (GatherByMemoryInWindow(m_window, files, false) > 0)
            NarrateMemoryInWindow(m_window, true, 0);
    } catch (const std::exception &) {
        // The drop ends quietly; what ran so far stays.
    }
}

QString MonitorModule::CountingTip(int spaces) const
{
    const CDuplicates *set = Duplicates();
    const QString tip = Text(450) + QString::number(m_filesAdded)
        + QString(spaces, QLatin1Char(' ')) + Text(451) + QString::number(set ? set->Count() : 0);
    return tip.left(63);
}

void MonitorModule::TrayAdd()
{
    m_trayMode = TrayAvailable();
    if (m_trayMode) {
        m_tray = new QSystemTrayIcon(TrayIcon(300), this);
        m_tray->setObjectName(QStringLiteral("trayIcon"));
        m_trayMenu = new QMenu(Text(260));
        m_trayMenu->setObjectName(QStringLiteral("mnuPopUpTray"));
        m_stopAction = m_trayMenu->addAction(Text(261));
        m_stopAction->setObjectName(QStringLiteral("mnuPUTrayStopMon"));
        connect(m_stopAction, &QAction::triggered, this, &MonitorModule::StopMonitor);
        // The menu opens on a right click only; other clicks do nothing.
        m_tray->setContextMenu(m_trayMenu);
        m_tray->setToolTip(CountingTip(4));
        m_tray->show();
    } else if (QStatusBar *bar = StatusBarOf(window())) {
        // No tray: the window stays minimised, its title counting, with a
        // Stop Monitor button as the way back.
        m_title = window()->windowTitle();
        m_stopButton->setText(Text(261).remove(QLatin1Char('&')));
        m_stopButton->setEnabled(true);
        bar->addPermanentWidget(m_stopButton);
        m_stopButton->show();
        window()->setWindowTitle(CountingTip(4));
    }
}

void MonitorModule::TrayModify(int iconId, const QString &tip)
{
    const QString text = tip.isEmpty() ? CountingTip(3) : tip.left(63);
    const QIcon icon = TrayIcon(iconId == 0 ? 300 : iconId);
    window()->setWindowIcon(icon);
    if (m_tray) {
        m_tray->setIcon(icon);
        m_tray->setToolTip(text);
    } else if (m_monitoring) {
        window()->setWindowTitle(text);
    }
}

void MonitorModule::TrayDelete()
{
    window()->setWindowIcon(TrayIcon(300));
    if (m_tray) {
        m_tray->hide();
        delete m_tray;
        m_tray = nullptr;
        delete m_trayMenu;
        m_trayMenu = nullptr;
        m_stopAction = nullptr;
    }
    if (m_stopButton && m_stopButton->isVisibleTo(window())) {
        if (QStatusBar *bar = StatusBarOf(window()))
            bar->removeWidget(m_stopButton);
        m_stopButton->hide();
        window()->setWindowTitle(m_title);
    }
}

void MonitorModule::StartMonitor()
{
    if (m_monitoring || m_window.isRunning())
        return;
    if (!MayReplaceDuplicates())
        return;
    // A directory that cannot be listed or watched is said before the set
    // is emptied, so a monitor that never ran costs nothing.
    const QString directory = m_tab->monitorDirectory();
    if (!m_watch.start(directory)) {
        ReportError(
            ErrPathNotFound, directory, QStringLiteral("frmVEXA"), QStringLiteral("StartMonitor"));
        return;
    }
    if (CDuplicates *set = Duplicates())
        set->Clear();
    // No group names a memory entry any more: the list starts afresh, and
    // every batch of arriving files is appended after it.
    MemorySignatures().clear();
    TrayAdd();
    m_filesAdded = 0;
    m_tab->setSnapshot(m_watch.snapshot());
    m_monitoring = true;
    m_window.SetMonitoring(true);
    window()->activateWindow();
    window()->showMinimized();
    if (m_trayMode)
        window()->hide();
    m_tick->start();
}

void MonitorModule::StopMonitor()
{
    if (!m_monitoring || m_checking)
        return;
    m_tick->stop();
    m_watch.stop();
    TrayDelete();
    m_monitoring = false;
    m_window.SetMonitoring(false);
    m_window.ShowInfoPanel(FeatureHost::InfoNone);
    window()->showNormal();
    window()->raise();
    window()->activateWindow();
    const CDuplicates *set = Duplicates();
    if (set && set->Count() > 0)
        m_window.SelectTab(FeatureHost::TabDuplicates);
}

void MonitorModule::MonitorTick()
{
    if (!m_monitoring)
        return;
    if (m_watch.hasWork()) {
        m_checking = true;
        if (m_stopAction)
            m_stopAction->setEnabled(false);
        m_stopButton->setEnabled(false);
        TrayModify(301, Text(452));
        CheckMonitorFiles();
        TrayModify(0, QString());
        if (m_stopAction)
            m_stopAction->setEnabled(true);
        m_stopButton->setEnabled(true);
        m_checking = false;
    }
    if (m_monitoring)
        m_tick->start();
}

void MonitorModule::CheckMonitorFiles()
{
    const QStringList files = m_watch.poll();
    m_tab->setSnapshot(m_watch.snapshot());
    if (files.isEmpty())
        return;
    m_filesAdded += int(files.size());
    // The batch follows every entry already in the list, so groups found
    // earlier keep naming their own files; the narration starts at it.
    std::int32_t base = 0;
    if (GatherByMemoryInWindow(m_window, files, true, &base) > 0) {
        NarrateMemoryInWindow(
            m_window, false, base, [this](std::int32_t position, std::int32_t count) {
                TrayModify(301,
                    Text(452) + QString::number(position) + QLatin1Char('/')
                        + QString::number(count));
            });
    }
}

MonitorModule *InstallMonitor(FeatureHost &window)
{
    QWidget *panel = window.tabPanel(FeatureHost::TabMonitor);
    auto *tab = new MonitorTab(panel);
    if (!panel->layout()) {
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    panel->layout()->addWidget(tab);
    auto *module = new MonitorModule(window, tab);
    // After the drop has returned: the check asks questions and runs the
    // event loop, which must not happen while the drag source waits.
    QObject::connect(
        tab, &MonitorTab::filesDropped, module, &MonitorModule::InstantCheck, Qt::QueuedConnection);
    QObject::connect(tab, &MonitorTab::startRequested, module, &MonitorModule::StartMonitor);
    window.setCommandHandler(
        QStringLiteral("mnuStartMonitor"), [module] { module->StartMonitor(); });
    window.setCommandHandler(QStringLiteral("StopMonitor"), [module] { module->StopMonitor(); });

    window.addLoadHook([tab] {
        tab->Localise();
        // A Null setting starts at the user's download directory.
        const QVariant stored = GetSystemSetting(QStringLiteral("InternetDirectory"));
        tab->setMonitorDirectory(stored.isNull()
                ? QStandardPaths::writableLocation(QStandardPaths::DownloadLocation)
                : stored.toString());
    });
    return module;
}

}  // namespace vexa
