#include "narration/narrationrun_ui.h"

#include "base/messages.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "narration/duplicateset.h"
#include "narration/narrationengine.h"
#include "narration/narrationsettingstab.h"
#include "ui/mainwindow.h"
#include "ui/windowrunobserver.h"

#include <QApplication>
#include <QVBoxLayout>

namespace vexa {

namespace {

// The narration panel: records to compare, compared, groups found, estimate.
void paintNarrationPanel(MainWindow &window, const RunProgress &p)
{
    window.SetNarrationCounters(p.total, p.done, p.found);
    if (p.remainingMs >= 0)
        window.SetNarrationEstimate(EstimateText(p.remainingMs));
}

}  // namespace

NarrationSettingsTab *InstallNarration(MainWindow &window, NarrationHost host)
{
    QWidget *panel = window.tabPanel(MainWindow::TabSettings);
    auto *settings = new NarrationSettingsTab(panel);
    if (!panel->layout())
        new QVBoxLayout(panel);
    panel->layout()->addWidget(settings);
    window.setCommandHandler(QStringLiteral("mnuNarration"),
        [&window, settings, host]() { NarrateDatabase(window, *settings, host); });
    return settings;
}

void NarrateDatabase(MainWindow &window, NarrationSettingsTab &settings, const NarrationHost &host)
{
    CDuplicates *set = Duplicates();
    if (!set || window.isRunning())
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    window.SelectTab(MainWindow::TabSettings);
    window.BeginRun();
    window.SetNarrationCounters(0, 0, 0);
    window.SetNarrationEstimate(QString());

    NarrationOptions options;
    options.toleranceLevel = settings.toleranceLevel();
    window.ShowInfoPanel(MainWindow::InfoNarration);
    const std::int32_t collectionId = host.collectionId ? host.collectionId() : 0;
    options.method = settings.comparisonMethod();
    options.selection = BuildSelectionSql(
        host.directoryItems ? host.directoryItems() : QList<DirectoryListItem>(), collectionId);

    NarrationEngine engine(*set, options);
    const RunResult result = RunInWindow(
        window, engine, [&window](const RunProgress &p) { paintNarrationPanel(window, p); },
        QStringLiteral("mnuNarration"));
    if (result.outcome == RunOutcome::Failed) {
        window.EndRun();
        QApplication::restoreOverrideCursor();
        if (host.countSelection)
            host.countSelection();
        window.SelectTab(MainWindow::TabDatabase);
        return;
    }
    if (host.fillDirectoryList)
        host.fillDirectoryList(true);
    if (window.isMinimized()) {
        window.showNormal();
        window.Relayout();
    }
    Messages().show(Text(748) + QLatin1Char('\r') + QLatin1Char('\r') + Text(739)
            + ElapsedText(engine.counters().elapsedMs),
        Text(741), MsgIcon::Information, MsgButtons::Ok);
    window.SelectTab(MainWindow::TabDuplicates);
    window.EndRun();
    QApplication::restoreOverrideCursor();
    if (host.countSelection)
        host.countSelection();
}

}  // namespace vexa
