#include "narration/narrationrun_ui.h"

#include "base/messages.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "narration/duplicateset.h"
#include "narration/narrationengine.h"
#include "narration/narrationpanel.h"
#include "narration/narrationsettingstab.h"
#include "ui/featurehost.h"
#include "ui/windowrunobserver.h"

#include <QApplication>
#include <QVBoxLayout>

namespace vexa {

namespace {

// The narration panel: records to compare, compared, groups found, estimate.
void paintNarrationPanel(NarrationPanel &panel, const RunProgress &p)
{
    panel.SetCounters(p.total, p.done, p.found);
    if (p.remainingMs >= 0)
        panel.SetEstimate(EstimateText(p.remainingMs));
}

}  // namespace

NarrationSettingsTab *InstallNarration(FeatureHost &window, NarrationHost host)
{
    QWidget *panel = window.tabPanel(FeatureHost::TabSettings);
    auto *settings = new NarrationSettingsTab(panel);
    NarrationPanel::In(window);
    if (!panel->layout())
        new QVBoxLayout(panel);
    panel->layout()->addWidget(settings);
    window.addLoadHook([settings] { settings->LoadSettings(); });
    window.setCommandHandler(QStringLiteral("mnuNarration"),
        [&window, settings, host]() { NarrateDatabase(window, *settings, host); });
    return settings;
}

void NarrateDatabase(FeatureHost &window, NarrationSettingsTab &settings, const NarrationHost &host)
{
    CDuplicates *set = Duplicates();
    if (!set || window.isRunning())
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    window.SelectTab(FeatureHost::TabSettings);
    window.BeginRun();
    NarrationPanel &panel = NarrationPanel::In(window);
    panel.SetCounters(0, 0, 0);
    panel.SetEstimate(QString());

    NarrationOptions options;
    options.toleranceLevel = settings.toleranceLevel();
    window.ShowInfoPanel(FeatureHost::InfoNarration);
    const std::int32_t collectionId = host.collectionId ? host.collectionId() : 0;
    options.method = settings.comparisonMethod();
    options.anyOrientation = settings.findRotatedCopies();
    options.selection = BuildSelectionSql(
        host.directoryItems ? host.directoryItems() : QList<DirectoryListItem>(), collectionId);

    NarrationEngine engine(*set, options);
    const RunResult result = RunInWindow(
        window, engine, [&panel](const RunProgress &p) { paintNarrationPanel(panel, p); },
        QStringLiteral("mnuNarration"));
    if (result.outcome == RunOutcome::Failed) {
        window.EndRun();
        QApplication::restoreOverrideCursor();
        if (host.countSelection)
            host.countSelection();
        window.SelectTab(FeatureHost::TabDatabase);
        return;
    }
    if (host.fillDirectoryList)
        host.fillDirectoryList(true);
    window.restoreAfterRun();
    Messages().show(Text(748) + QLatin1Char('\r') + QLatin1Char('\r') + Text(739)
            + ElapsedText(engine.counters().elapsedMs),
        Text(741), MsgIcon::Information, MsgButtons::Ok);
    window.SelectTab(FeatureHost::TabDuplicates);
    window.EndRun();
    QApplication::restoreOverrideCursor();
    if (host.countSelection)
        host.countSelection();
}

}  // namespace vexa
