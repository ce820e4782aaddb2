// viewer_shots OUTDIR: the whole main window on the Image Viewer tab, in
// English and Dutch, taken of the X screen with ImageMagick's import: a
// directory of portrait and landscape photographs with one selected, the
// view mode on a portrait and on a landscape picture, and a damaged file.
// Run under
//   xvfb-run -a -s "-screen 0 1024x768x24" viewer_shots OUTDIR
#include "app/appobjects.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/texts.h"
#include "controls/filelistbox.h"
#include "db/lifecycle.h"
#include "db/settings.h"
#include "review/reviewinstall.h"
#include "ui/diskviewer.h"
#include "ui/mainwindow.h"

#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMenu>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

using namespace vexa;
using namespace vexa::shots;

namespace {

void waitForPicture(const DiskViewer &viewer)
{
    QElapsedTimer timer;
    timer.start();
    while (viewer.pictureBusy() && timer.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    settle(300);
}

int indexOf(const DiskViewer &viewer, const char *name)
{
    for (int i = 0; i < viewer.files()->ListCount(); ++i) {
        if (viewer.files()->List(i) == QLatin1String(name))
            return i;
    }
    return -1;
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
    const QString dir = temp.filePath(QStringLiteral("Holiday photos 2019"));
    QDir().mkpath(dir + QStringLiteral("/Day trips"));
    QDir().mkpath(dir + QStringLiteral("/Family"));
    struct Pic {
        const char *name;
        int w, h;
        QColor a, b;
    };
    const Pic pics[] = {
        { "beach_sunset_landscape.jpg", 3000, 2000, QColor(30, 60, 140), QColor(240, 140, 60) },
        { "grandmother_portrait.jpg", 1800, 2700, QColor(90, 40, 30), QColor(200, 180, 150) },
        { "harbour_at_dawn.jpg", 3200, 1800, QColor(20, 50, 90), QColor(250, 200, 150) },
        { "lighthouse_tall.png", 900, 2400, QColor(100, 100, 110), QColor(170, 200, 240) },
        { "market_square.jpg", 2400, 1600, QColor(120, 60, 20), QColor(240, 220, 120) },
    };
    for (const Pic &pic : pics)
        picture(pic.w, pic.h, pic.a, pic.b)
            .save(dir + QLatin1Char('/') + QString::fromLatin1(pic.name));
    // Half a JPEG: the viewer shows why it cannot be shown.
    {
        QFile whole(dir + QStringLiteral("/beach_sunset_landscape.jpg"));
        whole.open(QIODevice::ReadOnly);
        QFile damaged(dir + QStringLiteral("/damaged_download.jpg"));
        damaged.open(QIODevice::WriteOnly);
        damaged.write(whole.read(600));
    }
    SaveSystemSetting(QStringLiteral("LastViewDirectory"), dir);

    for (const int offset : { 0, 2000 }) {
        const QString lang = offset ? QStringLiteral("nl") : QStringLiteral("en");
        SaveSystemSetting(QStringLiteral("LangOffset"), offset);
        SetLangOffset(offset);
        MainWindow window;
        InstallReview(window);
        DiskViewer *viewer = InstallDiskViewer(window);
        window.Load();
        window.setGeometry(0, 0, 1024, 740);
        window.show();
        settle(600);
        window.SelectTab(MainWindow::TabViewer);
        viewer->files()->SetListIndex(indexOf(*viewer, "grandmother_portrait.jpg"));
        waitForPicture(*viewer);
        shoot(QStringLiteral("%1/viewer_browse_%2.png").arg(out, lang));

        viewer->ViewClicked();
        waitForPicture(*viewer);
        shoot(QStringLiteral("%1/viewer_view_portrait_%2.png").arg(out, lang));
        viewer->NextClicked();
        waitForPicture(*viewer);
        shoot(QStringLiteral("%1/viewer_view_landscape_%2.png").arg(out, lang));
        viewer->ShowFullImage(indexOf(*viewer, "damaged_download.jpg"));
        waitForPicture(*viewer);
        shoot(QStringLiteral("%1/viewer_view_damaged_%2.png").arg(out, lang));
        viewer->ViewClicked();
        settle(300);
        viewer->popupMenu()->popup(viewer->files()->mapToGlobal(QPoint(40, 30)));
        settle(300);
        shoot(QStringLiteral("%1/viewer_menu_%2.png").arg(out, lang));
        viewer->popupMenu()->hide();
        window.SelectTab(MainWindow::TabDatabase);
    }
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
