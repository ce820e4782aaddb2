// review_shots OUTDIR: the Duplicates tab with landscape, portrait and square
// pictures at tile sizes 5, 10 and 20 in English and Dutch, saved as PNG
// files for looking at (run under xvfb-run for real X rendering).
#include "app/appobjects.h"
#include "app/environment.h"
#include "app/messages.h"
#include "app/resources.h"
#include "app/settings.h"
#include "app/texts.h"
#include "db/appdatabase.h"
#include "db/currentimage.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "narration/duplicateset.h"
#include "review/duplicateviewer.h"
#include "review/previewtile.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>

using namespace vexa;

namespace {

QImage picture(int w, int h, QColor a, QColor b)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, a);
    gradient.setColorAt(1, b);
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(QColor(250, 240, 200));
    painter.drawEllipse(QPoint(w / 3, h / 3), w / 8, w / 8);
    return image;
}

void wait(const std::function<bool()> &done)
{
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < 15000) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InitialiseResources();
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    const QScreen *screen = app.primaryScreen();
    InitialiseEnvironment(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    QTemporaryDir temp;
    SetProgramDirectory(temp.path());
    if (!OpenApplicationDatabase())
        return 1;
    CreateApplicationObjects();
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
        {"beach_sunset_2019_landscape.jpg", 1600, 1000, QColor(30, 60, 140), QColor(240, 140, 60)},
        {"beach_sunset_copy.jpg", 1600, 1000, QColor(30, 60, 140), QColor(240, 140, 60)},
        {"portrait_of_grandmother.jpg", 900, 1500, QColor(90, 40, 30), QColor(200, 180, 150)},
        {"square_album_cover.png", 1000, 1000, QColor(20, 120, 80), QColor(220, 230, 90)},
        {"IMG_0042.JPG", 1600, 1000, QColor(30, 60, 140), QColor(250, 160, 70)},
        {"panorama_mountains.jpg", 3000, 800, QColor(60, 90, 120), QColor(230, 230, 240)},
        {"tall_tower.jpg", 600, 1800, QColor(100, 100, 110), QColor(170, 200, 240)},
    };
    QList<std::int32_t> ids;
    for (const Pic &pic : pics) {
        const QString file = dir + QLatin1Char('/') + QString::fromLatin1(pic.name);
        picture(pic.w, pic.h, pic.a, pic.b).save(file);
        CurrentImageInfo &info = CurrentImage();
        info.Directory = dir;
        info.FileName = QString::fromLatin1(pic.name);
        info.FileSize = QFileInfo(file).size();
        info.DimX = pic.w;
        info.DimY = pic.h;
        StoreImageData(collection, item, {}, {}, QByteArray(64, '0'));
        ids.append(std::int32_t(AppDb().fileData->lastModified()));
    }
    const std::int32_t source = ids.takeFirst();
    Duplicates()->Add(ids, source, 0, QString());
    Duplicates()->Add({ids[0], ids[1]}, source, 0, QString());

    for (const int offset : {0, 2000}) {
        SetLangOffset(offset);
        for (const int size : {5, 10, 20}) {
            SaveSystemSetting(QStringLiteral("ThumbSize"), size);
            QWidget window;
            window.setWindowTitle(Text(300));
            window.resize(900, 560);
            auto *viewer = new DuplicateViewer(&window);
            viewer->resize(window.size());
            window.show();
            viewer->EnterTab();
            wait([&] {
                return !viewer->delayedActionPending() && !viewer->thumbnailsLoading()
                       && viewer->viewReady();
            });
            viewer->tile(2)->Activate(true);
            QApplication::processEvents();
            const QString name = QStringLiteral("%1/review_%2_size%3.png")
                                     .arg(out, offset ? QStringLiteral("nl") : QStringLiteral("en"))
                                     .arg(size);
            window.grab().save(name);
            if (size == 10 && offset == 0) {
                viewer->ShowPreviewImage(viewer->tile(2)->FullPath());
                QApplication::processEvents();
                window.grab().save(out + QStringLiteral("/review_fullview.png"));
            }
        }
    }
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
