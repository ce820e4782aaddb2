#include "gather/gatherrun_ui.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/errors.h"
#include "base/filelisting.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/progresstexts.h"
#include "base/texts.h"
#include "gather/gatherpanel.h"
#include "ui/featurehost.h"
#include "ui/windowrunobserver.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace vexa {

namespace {

const QString kModule = QStringLiteral("frmVEXA");
const QString kProcedure = QStringLiteral("mnuGather");

// The gathering panel: the file in hand, the counters, the estimate, the
// error count, and the directory in the list.
WindowRunObserver::Paint gatherPanel(GatherPanel &panel, const GatherHost &host)
{
    return [&panel, &host](const RunProgress &p) {
        panel.SetFileInfo(p.current);
        if (p.part >= 0) {
            panel.SetCounters(p.partDone, p.partTotal, p.done, p.total);
            if (host.markDirectory)
                host.markDirectory(p.part, !p.partEnded,
                    p.partEnded ? QString::number(p.partDone) : QStringLiteral("..."));
        }
        if (p.remainingMs >= 0)
            panel.SetEstimate(EstimateText(p.remainingMs));
        if (p.errors > 0)
            panel.SetErrors(p.errors);
    };
}

// The run's failure: reported, then the window back to its idle state on
// the first tab. The log keeps no end lines.
void endAfterError(FeatureHost &window, const GatherHost &host)
{
    window.EndRun();
    QApplication::restoreOverrideCursor();
    window.HideProgressBar();
    window.ShowInfoPanel(FeatureHost::InfoNone);
    if (host.countSelection)
        host.countSelection();
    window.SelectTab(FeatureHost::TabDatabase);
}

}  // namespace

void InstallGathering(FeatureHost &window, GatherHost host)
{
    GatherPanel::In(window);
    window.setCommandHandler(
        QStringLiteral("mnuGather"), [&window, host]() { GatherCollection(window, host); });
}

void GatherCollection(FeatureHost &window, const GatherHost &host, int threads)
{
    if (window.isRunning())
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    window.SelectTab(FeatureHost::TabDatabase);
    window.BeginRun();
    try {
        GatherPanel &panel = GatherPanel::In(window);
        panel.Clear();
        window.ShowInfoPanel(FeatureHost::InfoGather);

        GatherOptions options;
        options.threads = threads;
        options.directories = host.directories ? host.directories() : QList<GatherDirectory>();
        options.collectionId = host.collectionId ? host.collectionId() : 0;
        GatherEngine engine(options);
        const RunResult result = RunInWindow(window, engine, gatherPanel(panel, host), kProcedure);
        if (result.outcome == RunOutcome::Failed) {
            endAfterError(window, host);
            return;
        }

        if (host.fillDirectoryList)
            host.fillDirectoryList(true);
        window.ShowInfoPanel(FeatureHost::InfoNone);
        window.restoreAfterRun();
        QString message
            = Text(738) + QStringLiteral("\r\r") + Text(739) + ElapsedText(engine.elapsedMs());
        if (!engine.passedOver().isEmpty()) {
            QStringList paths;
            for (const PassedOverDirectory &d : engine.passedOver())
                paths.append(DisplayName(d.path));
            message += QStringLiteral("\r\r") + QString::number(paths.size()) + Text(1960)
                + paths.join(QStringLiteral(", "));
        }
        if (engine.counters().errors == 0) {
            Messages().show(message, Text(741), MsgIcon::Information, MsgButtons::Ok);
        } else {
            message += QStringLiteral("\r\r") + Text(740);
            if (Messages().show(message, Text(741), MsgIcon::Information, MsgButtons::YesNo)
                == MsgResult::Yes) {
                const QString log
                    = JoinPath(ProgramDirectory(), QString::fromLatin1(kGatherLogName));
                if (!QFileInfo(log).isFile()
                    || !QDesktopServices::openUrl(QUrl::fromLocalFile(log)))
                    Messages().show(Text(742), Text(743), MsgIcon::Exclamation, MsgButtons::Ok);
            }
        }
        window.EndRun();
        QApplication::restoreOverrideCursor();
        if (host.countSelection)
            host.countSelection();
    } catch (const VexaError &e) {
        ReportError(e.number(), e.description(), kModule, kProcedure);
        endAfterError(window, host);
    } catch (const std::exception &e) {
        ReportException(e, kModule, kProcedure);
        endAfterError(window, host);
    }
}

}  // namespace vexa
