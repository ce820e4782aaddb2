// monitor_bench DIR: the instant check in the real window, timed from the
// drop to its groups on the Duplicates tab (the completion message answered
// at once; thumbnails then load on their own threads).
// DIR is a data directory left by
//   narration_bench --memory 1000000 --keep DIR
// (VEXA.MDB with the stored signatures, photo0.jpg..photo19.jpg beside it,
// three of them stored). Runs offscreen unless a platform is chosen.
#include "app/appobjects.h"
#include "app/modules.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/messages.h"
#include "db/lifecycle.h"
#include "gather/memorysignatures.h"
#include "monitor/monitorrun_ui.h"
#include "narration/duplicateset.h"
#include "review/duplicateviewer.h"
#include "ui/mainwindow.h"

#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QScreen>

#include <cstdio>

using namespace vexa;

namespace {

// Answers every question Yes and every message OK without a box on screen.
class Quiet : public MessageSeam {
public:
    MsgResult show(const QString &, const QString &, MsgIcon, MsgButtons buttons) override
    {
        return buttons == MsgButtons::Ok ? MsgResult::Ok : MsgResult::Yes;
    }
};

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: monitor_bench DIR (from narration_bench --memory --keep)\n");
        return 2;
    }
    const QDir data(QString::fromLocal8Bit(argv[1]));
    InitialiseResources();
    const QScreen *screen = app.primaryScreen();
    InitialiseEnvironment(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    SetProgramDirectory(data.absolutePath());
    if (!OpenApplicationDatabase(DatabaseAccess::ReadOnly))
        return 1;
    CreateApplicationObjects();
    Quiet quiet;
    SetMessageSeam(&quiet);
    QStringList photos;
    for (int i = 0; i < 20; ++i)
        photos.append(data.filePath(QStringLiteral("photo%1.jpg").arg(i)));

    MainWindow window;
    InstallModules(window);
    window.Load();
    window.resize(1024, 740);
    window.show();
    vexa::shots::settle(300);
    auto *module = window.findChild<MonitorModule *>();
    auto *viewer = window.findChild<DuplicateViewer *>();
    std::printf("instant check of 20 12-MP JPEGs in the window\n");
    std::printf("%-6s %16s %8s\n", "run", "groups shown ms", "groups");
    for (int run = 1; run <= 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        // The drop handler's work, as the queued drop runs it.
        module->InstantCheck(photos);
        const qint64 shownMs = timer.elapsed();
        std::printf("%-6d %16lld %8d%s\n", run, (long long)shownMs, Duplicates()->Count(),
            window.currentTab() == MainWindow::TabDuplicates && viewer->isVisible()
                ? ""
                : "  (Duplicates tab not shown)");
        window.SelectTab(MainWindow::TabMonitor);
        vexa::shots::settle(200);
    }
    SetMessageSeam(nullptr);
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
