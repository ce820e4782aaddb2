// overview_shots OUTDIR: the Duplicates tab with its overview over a
// thousand groups, and a group after "Select all but the best" with the
// reason on each selected tile, in English and Dutch. Run under
//   xvfb-run -a -s "-screen 0 1024x768x24" overview_shots OUTDIR
#include "app/appobjects.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/imagefileinfo.h"
#include "db/records.h"
#include "db/settings.h"
#include "narration/duplicateset.h"
#include "review/duplicateviewer.h"
#include "review/reviewinstall.h"
#include "ui/mainwindow.h"

#include "benchrecords.h"
#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPushButton>

using namespace vexa;
using namespace vexa::shots;

namespace {

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const Session session(app, argc, argv);
    if (!session.ok())
        return 1;
    const QString &out = session.out();
    const QString dir = session.temp().filePath(QStringLiteral("Holiday photos"));
    QDir().mkpath(dir);
    AddNewCollectionToDB(QStringLiteral("Shots"));
    const std::int32_t collection = FindCollectionId(QStringLiteral("Shots"));
    QString path = dir;
    const std::int64_t item = AddNewItemToCollection(collection, path);

    // The group with its reasons: one picture in four sizes and places.
    picture(1600, 1200, QColor(30, 60, 140), QColor(240, 140, 60))
        .save(dir + QStringLiteral("/beach.jpg"), "JPG", 92);
    picture(800, 600, QColor(30, 60, 140), QColor(240, 140, 60))
        .save(dir + QStringLiteral("/beach small.jpg"), "JPG", 80);
    picture(1600, 1200, QColor(30, 60, 140), QColor(240, 140, 60))
        .save(dir + QStringLiteral("/beach (copy).jpg"), "JPG", 70);
    picture(400, 300, QColor(30, 60, 140), QColor(240, 140, 60))
        .save(dir + QStringLiteral("/IMG_0042.JPG"), "JPG", 90);
    const std::int32_t beach
        = StoreBenchRecord(dir, QStringLiteral("beach.jpg"), collection, item, 1600, 1200);
    const QList<std::int32_t> beachCopies {
        StoreBenchRecord(dir, QStringLiteral("beach small.jpg"), collection, item, 800, 600),
        StoreBenchRecord(dir, QStringLiteral("beach (copy).jpg"), collection, item, 1600, 1200),
        StoreBenchRecord(dir, QStringLiteral("IMG_0042.JPG"), collection, item, 400, 300),
    };
    // A thousand more groups of two or three small pictures.
    QList<std::pair<std::int32_t, QList<std::int32_t>>> groups;
    {
        Transaction transaction(*AppDb().db);
        for (int g = 0; g < 1000; ++g) {
            const QColor a = QColor::fromHsv((g * 37) % 360, 160, 180);
            const QColor b = QColor::fromHsv((g * 91 + 120) % 360, 120, 90);
            const int files = 2 + g % 2;
            QList<std::int32_t> ids;
            for (int f = 0; f < files; ++f) {
                const QString name
                    = QStringLiteral("trip %1 - %2.jpg").arg(g, 4, 10, QLatin1Char('0')).arg(f + 1);
                const int w = 320 - 40 * f;
                picture(w, w * 3 / 4, a, b).save(dir + QLatin1Char('/') + name, "JPG", 85 - 10 * f);
                ids.append(StoreBenchRecord(dir, name, collection, item, w, w * 3 / 4));
            }
            groups.append({ ids.takeFirst(), ids });
        }
        transaction.commit();
    }

    for (const int offset : { 0, 2000 }) {
        const QString lang = offset ? QStringLiteral("nl") : QStringLiteral("en");
        SaveSystemSetting(QStringLiteral("LangOffset"), offset);
        SetLangOffset(offset);
        WriteSetting(QStringLiteral("OverviewShown"), QStringLiteral("1"));
        Duplicates()->Clear();
        Duplicates()->Add(beachCopies, beach, 0, QString());
        for (const auto &[source, ids] : groups)
            Duplicates()->Add(ids, source, 0, QString());

        MainWindow window;
        DuplicateViewer *viewer = InstallReview(window);
        window.Load();
        window.setGeometry(0, 0, 1024, 740);
        window.show();
        settle(600);
        window.SetCommandStates(false);
        window.SelectTab(MainWindow::TabDuplicates);
        settle(3000);
        shoot(QStringLiteral("%1/overview_%2.png").arg(out, lang));

        viewer->keepBestButton()->click();
        settle(1500);
        shoot(QStringLiteral("%1/keepbest_reasons_%2.png").arg(out, lang));
        window.SelectTab(MainWindow::TabDatabase);
        settle(300);
    }
    ReleaseApplicationObjects();
    return 0;
}
