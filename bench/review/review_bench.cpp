// How long one group of 64 tiles of 12-megapixel JPEGs takes to be on screen
// in the duplicate viewer, and what the reduced decode and the worker threads
// contribute, with the desktop's thumbnail cache empty and filled, side by
// side (the cache lives in a temporary XDG_CACHE_HOME). Makes its pictures with ImageMagick's
// convert once per run (or reuses those in DIR). With --embedded the pictures
// carry a 160 x 120 thumbnail in their EXIF block, as a camera's do (the
// first screen then needs no decode); without, the first screen is the
// reduced decode of every visible file. --shots DIR saves the viewer after the
// first uncached round and one tile's embedded picture beside its decode.
// Prints its figures; no pass or fail.
#include "app/appobjects.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/messages.h"
#include "benchrecords.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "narration/duplicateset.h"
#include "review/duplicateviewer.h"
#include "review/previewtile.h"
#include "review/thumbnailloader.h"
#include "signature/imageloader.h"
#include "signature/sharedthumbnails.h"
#include "support/exiforientation.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace vexa;

namespace {

constexpr int kTiles = 64;

bool makePictures(const QString &dir, bool embedded)
{
    const QString first = dir + QStringLiteral("/p00.jpg");
    if (!QFileInfo::exists(first)) {
        std::printf("making a 4000x3000 JPEG with convert...\n");
        const int rc = QProcess::execute(QStringLiteral("convert"),
            { QStringLiteral("-size"), QStringLiteral("4000x3000"), QStringLiteral("plasma:"),
                QStringLiteral("-quality"), QStringLiteral("90"), first });
        if (rc != 0)
            return false;
        if (embedded) {
            // The camera's thumbnail: the picture itself at 160 x 120.
            QFile file(first);
            if (!file.open(QIODevice::ReadOnly))
                return false;
            const QByteArray photo = file.readAll();
            file.close();
            QByteArray small;
            QBuffer buffer(&small);
            buffer.open(QIODevice::WriteOnly);
            QImage(first)
                .scaled(160, 120, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .save(&buffer, "JPEG", 85);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                return false;
            file.write(test::WithExifThumbnail(photo, small, 1, false));
        }
    }
    for (int i = 1; i < kTiles; ++i) {
        const QString copy = dir + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0'));
        if (!QFileInfo::exists(copy) && !QFile::copy(first, copy))
            return false;
    }
    return true;
}

// Milliseconds for one batch through the loader.
double loaderRun(const QStringList &files, int threads, const QSize &box)
{
    ThumbnailLoader loader(nullptr, threads);
    QList<ThumbnailLoader::Request> requests;
    for (int i = 0; i < files.size(); ++i)
        requests.append({ i, files[i], box });
    QEventLoop loop;
    QObject::connect(&loader, &ThumbnailLoader::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    loader.start(requests);
    loop.exec();
    const double ms = timer.nsecsElapsed() / 1e6;
    // The write-back runs on after the pictures were handed on; the next
    // run must find it done.
    WaitForSharedThumbnailWrites();
    return ms;
}

double fullDecodeRun(const QStringList &files)
{
    QElapsedTimer timer;
    timer.start();
    for (const QString &file : files) {
        LoadedImage image;
        LoadImageFile(file, image, DecodeSize::Full);
    }
    return timer.nsecsElapsed() / 1e6;
}

// Milliseconds for the thumbnail decode (the shared cache's 256-pixel size)
// of the files on this thread, through libjpeg directly or ImageMagick.
double thumbnailDecodeRun(const QStringList &files, bool direct)
{
    SetDirectJpegDecoding(direct);
    QElapsedTimer timer;
    timer.start();
    for (const QString &file : files) {
        LoadedImage image;
        LoadImageThumbnail(file, QSize(256, 256), image);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    SetDirectJpegDecoding(true);
    return ms;
}

// One tile's picture both ways, side by side at twice their size (no
// smoothing, so every pixel shows): the embedded thumbnail as the tile shows
// it, and the decode the tile would get without it.
void saveComparison(const QString &file, const QSize &box, const QString &target)
{
    LoadedImage embedded;
    LoadedImage decoded;
    if (!LoadEmbeddedThumbnail(file, embedded) || !LoadImageThumbnail(file, box, decoded))
        return;
    const QImage first
        = embedded.picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QImage both(2 * (box.width() * 2 + 8), box.height() * 2, QImage::Format_RGB32);
    both.fill(Qt::white);
    QPainter painter(&both);
    painter.drawImage(QRect(QPoint(0, 0), first.size() * 2), first);
    painter.drawImage(
        QRect(QPoint(box.width() * 2 + 16, 0), decoded.picture.size() * 2), decoded.picture);
    painter.end();
    both.save(target);
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitialiseResources();
    InitialiseImageLoader();
    QTemporaryDir temp;
    // The bench's own thumbnail cache, never the user's.
    const QString cache = temp.filePath(QStringLiteral("cache"));
    qputenv("XDG_CACHE_HOME", cache.toLocal8Bit());
    const auto emptyCache = [&cache] {
        WaitForSharedThumbnailWrites();
        QDir(cache).removeRecursively();
    };
    QStringList arguments = app.arguments().mid(1);
    const bool embedded = arguments.removeAll(QStringLiteral("--embedded")) > 0;
    QString shots;
    const qsizetype shotOption = arguments.indexOf(QStringLiteral("--shots"));
    if (shotOption >= 0 && shotOption + 1 < arguments.size()) {
        shots = arguments.at(shotOption + 1);
        arguments.remove(shotOption, 2);
        QDir().mkpath(shots);
    }
    const QString pictures
        = !arguments.isEmpty() ? arguments.first() : temp.filePath(QStringLiteral("pictures"));
    QDir().mkpath(pictures);
    if (!makePictures(pictures, embedded)) {
        std::printf("could not make the pictures (is ImageMagick's convert installed?)\n");
        return 1;
    }
    QStringList files;
    for (int i = 0; i < kTiles; ++i)
        files.append(pictures + QStringLiteral("/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));

    SetProgramDirectory(temp.path());
    SetMessageSeam(nullptr);
    if (!OpenApplicationDatabase())
        return 1;
    CreateApplicationObjects();
    const BenchDirectory bench = AddBenchDirectory(pictures);
    QList<std::int32_t> ids;
    for (const QString &file : files)
        ids.append(StoreBenchPicture(bench, file, 4000, 3000));
    const std::int32_t source = ids.takeFirst();
    Duplicates()->Add(ids, source, 0, QString());

    QWidget window;
    DuplicateViewer *viewer = ShowViewerWhenLoaded(window);
    QEventLoop wait;
    QObject::connect(viewer, &DuplicateViewer::thumbnailsFinished, &wait, &QEventLoop::quit);

    LoadedImage probe;
    std::printf("%d tiles of 4000x3000 JPEG (%s), %d threads available\n", kTiles,
        LoadEmbeddedThumbnail(files.first(), probe) ? "with an embedded 160x120 thumbnail"
                                                    : "no embedded thumbnail",
        QThread::idealThreadCount());
    const QSize box10 = viewer->tile(0)->pictureBoxPixels();
    // Uncached: every file decoded (and its thumbnail written back); cached:
    // the thumbnails a file manager (or the round before) left.
    for (int round = 0; round < 4; ++round) {
        const bool cached = round % 2 == 1;
        if (!cached)
            emptyCache();
        QElapsedTimer timer;
        timer.start();
        double screenful = -1;
        // The tiles inside the viewport: what the user sees first.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (screenful >= 0)
                return;
            for (int i = 0; i <= viewer->tileCount(); ++i) {
                const uctrlPreview *tile = viewer->tile(i);
                if (tile->y() < viewer->viewPort()->height() && !tile->hasPicture())
                    return;
            }
            screenful = timer.nsecsElapsed() / 1e6;
        });
        viewer->RebuildDuplicateView();
        const double built = timer.nsecsElapsed() / 1e6;
        poll.start(2);
        if (viewer->thumbnailsLoading())
            wait.exec();
        const double shown = timer.nsecsElapsed() / 1e6;
        int visible = 0;
        for (int i = 0; i <= viewer->tileCount(); ++i)
            visible += viewer->tile(i)->y() < viewer->viewPort()->height() ? 1 : 0;
        std::printf("viewer, %s, tile size 10 (box %dx%d px): tiles built %.0f ms, first screen "
                    "(%d tiles) %.0f ms, all %d pictures %.0f ms\n",
            cached ? "cached  " : "uncached", box10.width(), box10.height(), built, visible,
            screenful < 0 ? shown : screenful, viewer->tileCount() + 1, shown);
        WaitForSharedThumbnailWrites();
        if (!shots.isEmpty() && round == 0)
            viewer->grab().save(shots + QStringLiteral("/viewer.png"));
    }
    if (!shots.isEmpty())
        saveComparison(files.first(), box10, shots + QStringLiteral("/tile_compare.png"));
    const QSize box20 = QSize(box10.width() * 2, box10.height() * 2);
    emptyCache();
    const double one = loaderRun(files, 1, box10);
    emptyCache();
    const double two = loaderRun(files, 2, box10);
    const double twoCached = loaderRun(files, 2, box10);
    // What writing the thumbnails back costs: the same decode with a cache
    // that cannot be written (a file where its directory would be).
    emptyCache();
    QDir().mkpath(cache);
    {
        QFile blocker(cache + QStringLiteral("/thumbnails"));
        blocker.open(QIODevice::WriteOnly);
    }
    const double twoNoCache = loaderRun(files, 2, box10);
    emptyCache();
    const double two20 = loaderRun(files, 2, box20);
    const double two20Cached = loaderRun(files, 2, box20);
    const double full = fullDecodeRun(files.mid(0, 8)) * (kTiles / 8.0);
    QList<double> viaMagick;
    QList<double> direct;
    for (int pair = 0; pair < 5; ++pair) {
        viaMagick.append(thumbnailDecodeRun(files.mid(0, 16), false));
        direct.append(thumbnailDecodeRun(files.mid(0, 16), true));
    }
    {
        QElapsedTimer timer;
        timer.start();
        QProcess::execute(QStringLiteral("djpeg"),
            { QStringLiteral("-scale"), QStringLiteral("1/8"), QStringLiteral("-outfile"),
                QStringLiteral("/dev/null"), files[0] });
        std::printf("reference: djpeg -scale 1/8 of one file (process included): %.0f ms\n",
            timer.nsecsElapsed() / 1e6);
    }
    std::printf(
        "loader only, size 10, uncached: 1 thread %.0f ms, 2 threads %.0f ms (ratio %.2f)\n", one,
        two, one / two);
    std::printf("loader only, size 10, 2 threads: uncached %.0f ms, cached %.0f ms (%.1fx), no "
                "cache at all %.0f ms (writing back costs %.1f%%)\n",
        two, twoCached, two / twoCached, twoNoCache, (two - twoNoCache) * 100.0 / twoNoCache);
    std::printf("loader only, size 20 box, 2 threads: uncached %.0f ms, cached %.0f ms (%.1fx)\n",
        two20, two20Cached, two20 / two20Cached);
    std::printf("thumbnail decode of 16 files at 256 px, 1 thread, median of 5 alternated pairs: "
                "ImageMagick %.0f ms, libjpeg directly %.0f ms (%.2fx)\n",
        median(viaMagick), median(direct), median(viaMagick) / median(direct));
    std::printf("full-size decode of 64 (from 8), 1 thread: %.0f ms; reduced decode is %.1fx "
                "faster on one thread\n",
        full, full / one);
    delete viewer;
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
