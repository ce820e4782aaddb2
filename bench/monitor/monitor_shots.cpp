// monitor_shots OUTDIR: the whole main window in English and Dutch, taken of
// the X screen with ImageMagick's import: the Monitor tab, the Duplicates
// tab after three photographs were checked on imgInstant (two of them
// already in the database), and the monitor running without a system tray,
// its window brought back. Run under
//   xvfb-run -a -s "-screen 0 1024x768x24" monitor_shots OUTDIR
#include "app/appobjects.h"
#include "app/modules.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/messages.h"
#include "base/run.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "db/selectionsql.h"
#include "db/settings.h"
#include "gather/gatherengine.h"
#include "gather/memorysignatures.h"
#include "monitor/monitorrun_ui.h"
#include "narration/duplicateset.h"
#include "review/duplicateviewer.h"
#include "screenshots.h"
#include "ui/mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QScreen>
#include <QTemporaryDir>

using namespace vexa;
using vexa::shots::picture;
using vexa::shots::settle;
using vexa::shots::shoot;

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
    QApplication app(argc, argv);
    const shots::Session session(app, argc, argv);
    if (!session.ok())
        return 1;
    const QString &out = session.out();
    const QTemporaryDir &temp = session.temp();
    Quiet quiet;
    SetMessageSeam(&quiet);

    const QString library = temp.filePath(QStringLiteral("Holiday photos"));
    const QString downloads = temp.filePath(QStringLiteral("Downloads"));
    QDir().mkpath(library);
    QDir().mkpath(downloads);
    picture(1600, 1000, QColor(30, 60, 140), QColor(240, 140, 60))
        .save(library + QStringLiteral("/beach_sunset_2019.jpg"));
    picture(900, 1500, QColor(90, 40, 30), QColor(200, 180, 150))
        .save(library + QStringLiteral("/portrait_of_grandmother.jpg"));
    picture(1000, 1000, QColor(20, 120, 80), QColor(220, 230, 90))
        .save(library + QStringLiteral("/square_album_cover.png"));
    AddNewCollectionToDB(QStringLiteral("Holiday"));
    const std::int32_t collection = FindCollectionId(QStringLiteral("Holiday"));
    QString path = library;
    const std::int64_t item = AddNewItemToCollection(collection, path);
    RunObserver unobserved;
    GatherOptions options;
    options.collectionId = collection;
    options.directories = { { DirectoryKey(item), library, true } };
    GatherEngine(options).run(unobserved);
    QFile::copy(library + QStringLiteral("/beach_sunset_2019.jpg"),
        downloads + QStringLiteral("/IMG_20261207_beach.jpg"));
    QFile::copy(library + QStringLiteral("/portrait_of_grandmother.jpg"),
        downloads + QStringLiteral("/grandma (1).jpg"));
    picture(1200, 800, QColor(200, 20, 20), QColor(20, 20, 200))
        .save(downloads + QStringLiteral("/something_new.jpg"));
    SaveSystemSetting(QStringLiteral("InternetDirectory"), downloads);

    for (const int offset : { 0, 2000 }) {
        const QString lang = offset ? QStringLiteral("nl") : QStringLiteral("en");
        SaveSystemSetting(QStringLiteral("LangOffset"), offset);
        SetLangOffset(offset);
        MainWindow window;
        InstallModules(window);
        window.Load();
        window.setGeometry(0, 0, 1024, 740);
        window.show();
        settle(600);
        window.SelectTab(MainWindow::TabMonitor);
        settle(400);
        shoot(QStringLiteral("%1/monitor_%2.png").arg(out, lang));

        MonitorModule *module = window.findChild<MonitorModule *>();
        module->InstantCheck({ downloads + QStringLiteral("/IMG_20261207_beach.jpg"),
            downloads + QStringLiteral("/grandma (1).jpg"),
            downloads + QStringLiteral("/something_new.jpg") });
        DuplicateViewer *viewer = window.findChild<DuplicateViewer *>();
        QElapsedTimer timer;
        timer.start();
        while ((viewer->thumbnailsLoading() || !viewer->viewReady()) && timer.elapsed() < 15000)
            settle(50);
        settle(400);
        shoot(QStringLiteral("%1/instant_result_%2.png").arg(out, lang));

        // The monitor on a desktop without a tray, its window brought back
        // by the user: everything locked but the Stop Monitor button.
        MonitorModule::OverrideTrayAvailable(false);
        window.SelectTab(MainWindow::TabMonitor);
        window.runCommand(QStringLiteral("mnuStartMonitor"));
        settle(300);
        window.showNormal();
        window.setGeometry(0, 0, 1024, 740);
        settle(600);
        shoot(QStringLiteral("%1/monitor_running_%2.png").arg(out, lang));
        window.runCommand(QStringLiteral("StopMonitor"));
        MonitorModule::OverrideTrayAvailable(std::nullopt);
        Duplicates()->Clear();
        MemorySignatures().clear();
        window.SelectTab(MainWindow::TabDatabase);
    }
    SetMessageSeam(nullptr);
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
