// The longest time the interface thread is kept from its event loop while
// the duplicate viewer pages through many groups, the way a user does: next
// group, wait until its pictures are there, next again. A 1 ms timer ticks
// all along; a gap between ticks is a stall the user would feel (keys and
// repaints wait). Thumbnails are uncached (a fresh XDG_CACHE_HOME, and every
// tile a file name of its own). Prints its figures; no pass or fail.
//   paging_bench [GROUPS] [TILES_PER_GROUP] [DIR]
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
#include "signature/imageloader.h"
#include "signature/sharedthumbnails.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <unistd.h>

using namespace vexa;

namespace {

constexpr int kDistinctPictures = 8;

// kDistinctPictures photographs of 2000 x 1500, and one hard link per tile
// so every tile is a file (and a thumbnail) of its own.
bool makePictures(const QString &dir, int links, QStringList &files)
{
    for (int i = 0; i < kDistinctPictures; ++i) {
        const QString picture = dir + QStringLiteral("/base%1.jpg").arg(i);
        if (QFileInfo::exists(picture))
            continue;
        const int rc = QProcess::execute(QStringLiteral("convert"),
            { QStringLiteral("-size"), QStringLiteral("2000x1500"), QStringLiteral("-seed"),
                QString::number(i + 1), QStringLiteral("plasma:fractal"),
                QStringLiteral("-quality"), QStringLiteral("90"), picture });
        if (rc != 0)
            return false;
    }
    for (int i = 0; i < links; ++i) {
        const QString link = dir + QStringLiteral("/t%1.jpg").arg(i, 5, 10, QLatin1Char('0'));
        const QString target = dir + QStringLiteral("/base%1.jpg").arg(i % kDistinctPictures);
        if (!QFileInfo::exists(link)
            && ::link(QFile::encodeName(target).constData(), QFile::encodeName(link).constData())
                != 0)
            return false;
        files.append(link);
    }
    return true;
}

double percentile(std::vector<double> values, double fraction)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, size_t(fraction * double(values.size())))];
}

}  // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int groups = argc > 1 ? std::max(2, atoi(argv[1])) : 200;
    const int perGroup = argc > 2 ? std::clamp(atoi(argv[2]), 2, 64) : 16;
    InitialiseResources();
    InitialiseImageLoader();
    QTemporaryDir temp;
    qputenv("XDG_CACHE_HOME", temp.filePath(QStringLiteral("cache")).toLocal8Bit());
    const QString pictures = argc > 3 ? QString::fromLocal8Bit(argv[3]) : temp.filePath("pictures");
    QDir().mkpath(pictures);
    QStringList files;
    if (!makePictures(pictures, groups * perGroup, files)) {
        std::printf("could not make the pictures (is ImageMagick's convert installed?)\n");
        return 1;
    }

    SetProgramDirectory(temp.path());
    SetMessageSeam(nullptr);
    if (!OpenApplicationDatabase())
        return 1;
    CreateApplicationObjects();
    const BenchDirectory bench = AddBenchDirectory(pictures);
    for (int g = 0; g < groups; ++g) {
        QList<std::int32_t> ids;
        for (int t = 0; t < perGroup; ++t)
            ids.append(StoreBenchPicture(bench, files.at(g * perGroup + t), 2000, 1500));
        const std::int32_t source = ids.takeFirst();
        Duplicates()->Add(ids, source, 0, QString());
    }

    QWidget window;
    DuplicateViewer *viewer = ShowViewerWhenLoaded(window);

    // The ticks: every gap between two is time the event loop was away.
    QElapsedTimer clock;
    clock.start();
    std::vector<double> gaps;
    qint64 last = clock.nsecsElapsed();
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        gaps.push_back(double(now - last) / 1e6);
        last = now;
    });
    // Each page: next(), then the first screen (tiles in the viewport with
    // their pictures) and all pictures, timed from the rebuild itself.
    std::vector<double> firstScreens;
    std::vector<double> allPictures;
    QElapsedTimer pageClock;
    double firstScreen = -1;
    QObject::connect(viewer, &DuplicateViewer::busyChanged, [&](bool busy) {
        if (busy) {
            pageClock.start();
            firstScreen = -1;
        }
    });
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (firstScreen >= 0 || !pageClock.isValid())
            return;
        for (int i = 0; i <= viewer->tileCount(); ++i) {
            const uctrlPreview *tile = viewer->tile(i);
            if (tile && !tile->isHidden() && tile->y() < viewer->viewPort()->height()
                && !tile->hasPicture())
                return;
        }
        firstScreen = pageClock.nsecsElapsed() / 1e6;
    });
    tick.start(1);
    poll.start(2);
    for (int g = 1; g < groups; ++g) {
        viewer->nextButton()->click();
        // The rebuild waits for the paging delay; then the pictures follow.
        QEventLoop page;
        QObject::connect(viewer, &DuplicateViewer::thumbnailsFinished, &page, &QEventLoop::quit);
        page.exec();
        allPictures.push_back(pageClock.nsecsElapsed() / 1e6);
        if (firstScreen < 0)
            firstScreen = allPictures.back();
        firstScreens.push_back(firstScreen);
        pageClock.invalidate();
    }
    tick.stop();
    const double total = clock.nsecsElapsed() / 1e9;
    const auto over = std::count_if(gaps.begin(), gaps.end(), [](double g) { return g > 50; });
    std::printf("%d groups of %d tiles (2000x1500 JPEG, uncached), paged one after another in "
                "%.1f s\n",
        groups, perGroup, total);
    std::printf("event-loop stall: longest %.1f ms, 99th percentile %.1f ms, over 50 ms: %lld\n",
        percentile(gaps, 1.0), percentile(gaps, 0.99), (long long)over);
    std::printf(
        "after the rebuild: first screen median %.0f ms (longest %.0f), all pictures median "
        "%.0f ms\n",
        percentile(firstScreens, 0.5), percentile(firstScreens, 1.0), percentile(allPictures, 0.5));
    WaitForSharedThumbnailWrites();
    return 0;
}
