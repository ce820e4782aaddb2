#include "narration/narrationrun_ui.h"

#include "base/messages.h"
#include "base/texts.h"
#include "gather/progresstexts.h"
#include "narration/duplicateset.h"
#include "narration/narrationengine.h"
#include "narration/narrationsettingstab.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QVBoxLayout>

namespace vexa {

namespace {

// Paints what the engine reports on the narration panel, the status bar and
// the progress bar; lets the event loop run so Cancel can be clicked.
class WindowNarrationObserver : public NarrationObserver {
public:
    explicit WindowNarrationObserver(MainWindow &window)
        : m_window(window)
    {
    }

    void label(const QString &what, const QString &text) override
    {
        const qint64 value = text.toLongLong();
        if (what == QLatin1String("total"))
            m_total = value;
        else if (what == QLatin1String("done"))
            m_done = value;
        else if (what == QLatin1String("dups"))
            m_groups = value;
        m_window.SetNarrationCounters(m_total, m_done, m_groups);
    }
    void estimate(qint64 elapsedMs, std::int32_t done, std::int32_t total, float factor) override
    {
        m_window.SetNarrationEstimate(EstimateText(elapsedMs, done, total, double(factor)));
    }
    void progressStarted(qint64 total) override { m_window.InitialiseProgressBar(0, total); }
    void progress(qint64 done) override { m_window.SetProgressBarValue(done); }
    void progressEnded() override { m_window.HideProgressBar(); }
    void status(const QString &text) override { m_window.SetStatusbarInfoText(text); }
    void yield() override { QCoreApplication::processEvents(); }
    bool isCancelled() const override { return m_window.isCancelled(); }

private:
    MainWindow &m_window;
    qint64 m_total = 0;
    qint64 m_done = 0;
    qint64 m_groups = 0;
};

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

    WindowNarrationObserver observer(window);
    const NarrationResult result = NarrateDatabaseRun(*set, options, &observer);

    if (result.outcome == RunOutcome::Failed) {
        // Reported by the engine; the progress display stays as it was.
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
            + ElapsedText(result.elapsedMs),
        Text(741), MsgIcon::Information, MsgButtons::Ok);
    window.SelectTab(MainWindow::TabDuplicates);
    window.EndRun();
    QApplication::restoreOverrideCursor();
    if (host.countSelection)
        host.countSelection();
}

}  // namespace vexa
