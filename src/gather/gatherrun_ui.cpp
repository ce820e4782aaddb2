#include "gather/gatherrun_ui.h"

#include "base/environment.h"
#include "base/errors.h"
#include "base/filelisting.h"
#include "base/log.h"
#include "base/messages.h"
#include "base/paths.h"
#include "base/texts.h"
#include "gather/progresstexts.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

namespace vexa {

namespace {

const QString kModule = QStringLiteral("frmVEXA");
const QString kProcedure = QStringLiteral("mnuGather");

// Paints what the engine reports on the gathering panel and the progress
// bar; lets the event loop run so Cancel can be clicked.
class WindowGatherObserver : public GatherObserver {
public:
    WindowGatherObserver(MainWindow &window, const GatherHost &host)
        : m_window(window)
        , m_host(host)
    {
    }

    void directoryStarted(int index) override
    {
        if (m_host.markDirectory)
            m_host.markDirectory(index, true, QStringLiteral("..."));
    }
    void directoryEnded(int index, std::int32_t finalPosition) override
    {
        if (m_host.markDirectory)
            m_host.markDirectory(index, false, QString::number(finalPosition));
    }
    void fileInfo(const QString &text) override { m_window.SetGatherFileInfo(text); }
    void counters(std::int32_t position, std::int32_t fileCount, std::int32_t processed,
        std::int32_t total) override
    {
        m_window.SetGatherCounters(position, fileCount, processed, total);
    }
    void estimate(qint64 elapsedMs, std::int32_t done, std::int32_t total) override
    {
        m_window.SetGatherEstimate(EstimateText(elapsedMs, done, total, 1.0));
    }
    void errorCount(std::int32_t errors) override { m_window.SetGatherError(errors); }
    void progress(qint64 done) override { m_window.SetProgressBarValue(done); }
    void status(const QString &text) override { m_window.SetStatusbarInfoText(text); }
    void yield() override { QCoreApplication::processEvents(); }
    bool isCancelled() const override { return m_window.isCancelled(); }

private:
    MainWindow &m_window;
    const GatherHost &m_host;
};

// The run's failure: reported, then the window back to its idle state on
// the first tab. The log keeps no end lines.
void endAfterError(MainWindow &window, const GatherHost &host)
{
    window.EndRun();
    QApplication::restoreOverrideCursor();
    window.HideProgressBar();
    window.ShowInfoPanel(MainWindow::InfoNone);
    if (host.countSelection)
        host.countSelection();
    window.SelectTab(MainWindow::TabDatabase);
}

}  // namespace

void InstallGathering(MainWindow &window, GatherHost host)
{
    window.setCommandHandler(
        QStringLiteral("mnuGather"), [&window, host]() { GatherCollection(window, host); });
}

void GatherCollection(MainWindow &window, const GatherHost &host, int threads)
{
    if (window.isRunning())
        return;
    QApplication::setOverrideCursor(Qt::BusyCursor);
    window.SelectTab(MainWindow::TabDatabase);
    window.BeginRun();
    try {
        window.ClearGatherInfo();
        window.ShowInfoPanel(MainWindow::InfoGather);
        window.SetStatusbarInfoText(Text(711));
        window.SetGatherFileInfo(Text(736));

        // The ticked directories that still exist, and their image count.
        const QList<GatherDirectory> directories
            = host.directories ? host.directories() : QList<GatherDirectory>();
        const QStringList pieces = SplitFilePattern(QString::fromLatin1(kImageFilePattern));
        GatherOptions options;
        options.threads = threads;
        for (const GatherDirectory &d : directories) {
            if (!d.ticked || !QFileInfo(d.path).isDir())
                continue;
            window.SetStatusbarInfoText(Text(734) + d.path);
            QCoreApplication::processEvents();
            options.totalImages += std::int32_t(ListMatchingFiles(d.path, pieces).size());
        }
        options.collectionId = host.collectionId ? host.collectionId() : 0;
        window.InitialiseProgressBar(0, options.totalImages);
        window.SetStatusbarInfoText(QString());

        WindowGatherObserver observer(window, host);
        GatherEngine engine(observer, options);
        const RunOutcome outcome = engine.run(directories);
        if (outcome == RunOutcome::Failed) {
            // A failed store has been reported by the store itself.
            if (engine.errorNumber() != 0)
                ReportError(engine.errorNumber(), engine.errorDescription(), kModule, kProcedure);
            endAfterError(window, host);
            return;
        }

        if (host.fillDirectoryList)
            host.fillDirectoryList(true);
        window.HideProgressBar();
        window.ShowInfoPanel(MainWindow::InfoNone);
        if (window.isMinimized()) {
            window.showNormal();
            window.Relayout();
        }
        QString message
            = Text(738) + QStringLiteral("\r\r") + Text(739) + ElapsedText(engine.elapsedMs());
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
