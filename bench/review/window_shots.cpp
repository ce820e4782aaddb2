// window_shots OUTDIR: the whole main window in English and Dutch, taken of
// the X screen with ImageMagick's import: the Narration Settings tab (also
// with Perceptual chosen, and so at the window's smallest), a narration run
// in progress, and one group of landscape, portrait and square
// pictures at tile sizes 5, 10 and 20. Run under
//   xvfb-run -a -s "-screen 0 1024x768x24" window_shots OUTDIR
#include "app/appobjects.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/messages.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "db/selectionsql.h"
#include "db/settings.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "narration/narrationrun_ui.h"
#include "narration/narrationsettings.h"
#include "narration/narrationsettingstab.h"
#include "review/duplicateviewer.h"
#include "review/previewtile.h"
#include "review/reviewinstall.h"
#include "ui/mainwindow.h"

#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QRadioButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <random>

using namespace vexa;
using namespace vexa::shots;

namespace {

void wait(const std::function<bool()> &done, int ms = 15000)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

// Rows enough for a run that lasts long enough to be photographed.
void addSyntheticRows(std::int32_t collection, std::int64_t item, int count)
{
    Database &db = *AppDb().db;
    Transaction transaction(db);
    Statement insert(db.connection().handle(),
        QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName, FileSize, FileDimX, "
                       "FileDimY, AvgRGB, QuadRGB0, QuadRGB1, QuadRGB2, QuadRGB3, Pattern1, "
                       "Pattern2) VALUES (?, ?, ?, ?, 640, 480, ?, ?, ?, ?, ?, ?, ?)"));
    std::mt19937 random(7);
    for (int n = 0; n < count; ++n) {
        insert.reset();
        insert.bind(1, collection);
        insert.bind(2, qint64(item));
        insert.bind(3, QStringLiteral("scan%1.jpg").arg(n));
        insert.bind(4, qint64(random() % 5000000));
        for (int k = 0; k < 5; ++k)
            insert.bind(5 + k, std::int32_t(random() & 0xFFFFFF));
        insert.bind(10, std::int32_t(random()));
        insert.bind(11, std::int32_t(random()));
        insert.step();
    }
    transaction.commit();
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const shots::Session session(app, argc, argv);
    if (!session.ok())
        return 1;
    const QString &out = session.out();
    const QTemporaryDir &temp = session.temp();
    const QString dir = temp.filePath(QStringLiteral("Holiday photos"));
    QDir().mkpath(dir);
    AddNewCollectionToDB(QStringLiteral("Shots"));
    const std::int32_t collection = FindCollectionId(QStringLiteral("Shots"));
    QString path = dir;
    const std::int64_t item = AddNewItemToCollection(collection, path);
    struct Pic {
        const char *name;
        int w, h;
        QColor a, b;
    };
    const Pic pics[] = {
        { "beach_sunset_2019_landscape.jpg", 1600, 1000, QColor(30, 60, 140),
            QColor(240, 140, 60) },
        { "portrait_of_grandmother.jpg", 900, 1500, QColor(90, 40, 30), QColor(200, 180, 150) },
        { "square_album_cover.png", 1000, 1000, QColor(20, 120, 80), QColor(220, 230, 90) },
        { "beach_sunset_copy.jpg", 1600, 1000, QColor(30, 60, 140), QColor(240, 140, 60) },
        { "tall_tower.jpg", 600, 1800, QColor(100, 100, 110), QColor(170, 200, 240) },
        { "IMG_0042.JPG", 1600, 1000, QColor(30, 60, 140), QColor(250, 160, 70) },
        { "square_thumbnail.png", 400, 400, QColor(150, 40, 90), QColor(240, 220, 230) },
    };
    QList<std::int32_t> ids;
    for (const Pic &pic : pics) {
        const QString file = dir + QLatin1Char('/') + QString::fromLatin1(pic.name);
        picture(pic.w, pic.h, pic.a, pic.b).save(file);
        ImageFileInfo info;
        info.Directory = dir;
        info.FileName = QString::fromLatin1(pic.name);
        info.FileSize = QFileInfo(file).size();
        info.DimX = pic.w;
        info.DimY = pic.h;
        StoreImageData(collection, item, info, {}, {}, QByteArray(64, '0'));
        ids.append(std::int32_t(AppDb().fileData->lastModified()));
    }
    addSyntheticRows(collection, item, 400000);

    for (const int offset : { 0, 2000 }) {
        const QString lang = offset ? QStringLiteral("nl") : QStringLiteral("en");
        SaveSystemSetting(QStringLiteral("LangOffset"), offset);
        SetLangOffset(offset);
        MainWindow window;
        InstallReview(window);
        NarrationHost host;
        host.collectionId = [collection] { return collection; };
        host.directoryItems = [item] {
            return QList<DirectoryListItem> { { DirectoryKey(item), true } };
        };
        host.countSelection = [&window] { window.SetTickedDirectoryCount(1); };
        NarrationSettingsTab *settings = InstallNarration(window, host);
        window.Load();
        window.setGeometry(0, 0, 1024, 740);
        window.show();
        window.SetTickedDirectoryCount(1);
        settle(600);

        window.SelectTab(MainWindow::TabSettings);
        settle(400);
        shoot(QStringLiteral("%1/settings_%2.png").arg(out, lang));
        // Perceptual chosen, its rotations box enabled beneath it, at the
        // size above and at the window's smallest.
        settings->optMethod(int(NarrationMethod::Perceptual))->click();
        settle(200);
        shoot(QStringLiteral("%1/settings_perceptual_%2.png").arg(out, lang));
        window.resize(window.minimumSize());
        settle(600);
        shoot(QStringLiteral("%1/settings_perceptual_smallest_%2.png").arg(out, lang));
        window.setGeometry(0, 0, 1024, 740);
        settings->optMethod(kDefaultMethod)->click();
        settle(400);

        // The run photographed from inside its own event loop turns.
        bool taken = false;
        QTimer::singleShot(700, &window, [&] {
            shoot(QStringLiteral("%1/narration_running_%2.png").arg(out, lang));
            taken = true;
        });
        window.runCommand(QStringLiteral("mnuNarration"));
        if (!taken)
            std::printf("the run ended before its screenshot\n");

        Duplicates()->Clear();
        Duplicates()->Add(ids.mid(1), ids.first(), 0, QString());
        Duplicates()->Add({ ids[3], ids[4] }, ids[2], 0, QString());
        window.SetCommandStates(false);
        for (const int size : { 5, 10, 20 }) {
            SaveSystemSetting(QStringLiteral("ThumbSize"), size);
            window.SelectTab(MainWindow::TabDatabase);
            window.SelectTab(MainWindow::TabDuplicates);
            DuplicateViewer *viewer = window.findChild<DuplicateViewer *>();
            wait([&] {
                return !viewer->delayedActionPending() && !viewer->thumbnailsLoading()
                    && viewer->viewReady();
            });
            viewer->SelectThumb(2);
            settle(300);
            shoot(QStringLiteral("%1/duplicates_%2_size%3.png").arg(out, lang).arg(size));
        }
        window.SelectTab(MainWindow::TabDatabase);
    }
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
