// viewer_bench [DIR] [COUNT]: the Image Viewer tab in view mode, paged with
// Next through COUNT (default 12) 12-megapixel JPEG photographs (made in DIR,
// default a temporary directory, unless they are there). For each step it
// measures the time from Next until the next picture is on screen, and the
// longest the window's event loop went without a turn meanwhile; beside it,
// in the same run, the time a full-size decode of the same file takes on the
// interface thread, at the size shown and at full size. Run on a screen of
// a common size:
//   xvfb-run -a -s "-screen 0 1920x1080x24" viewer_bench
#include "app/appobjects.h"
#include "app/resources.h"
#include "base/environment.h"
#include "controls/filelistbox.h"
#include "db/lifecycle.h"
#include "db/settings.h"
#include "signature/imageloader.h"
#include "ui/diskviewer.h"
#include "ui/mainwindow.h"
#include "ui/viewerpicture.h"

#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace vexa;

namespace {

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.isEmpty() ? 0 : values.at(values.size() / 2);
}

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    InitialiseResources();
    QTemporaryDir temp;
    const QString dir
        = argc > 1 ? QString::fromLocal8Bit(argv[1]) : temp.filePath(QStringLiteral("photos"));
    const int count = argc > 2 ? std::max(2, atoi(argv[2])) : 12;
    QDir().mkpath(dir);
    for (int i = 0; i < count; ++i) {
        const QString file = dir + QStringLiteral("/photo_%1.jpg").arg(i, 3, 10, QLatin1Char('0'));
        if (QFileInfo::exists(file))
            continue;
        // 4000 x 3000, every other one a portrait.
        const bool portrait = i % 2 == 1;
        QImage image = shots::picture(portrait ? 3000 : 4000, portrait ? 4000 : 3000,
            QColor(20 + i * 10, 60, 140), QColor(240, 140 - i * 5, 60));
        image.save(file, "JPEG", 90);
    }
    SetProgramDirectory(temp.path());
    if (!OpenApplicationDatabase())
        return 1;
    CreateApplicationObjects();
    SaveSystemSetting(QStringLiteral("LastViewDirectory"), dir);

    MainWindow window;
    DiskViewer *viewer = InstallDiskViewer(window);
    window.Load();
    window.resize(1600, 1000);
    window.show();
    shots::settle(300);
    window.SelectTab(MainWindow::TabViewer);

    // The longest the event loop went without a turn while paging.
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    qint64 longestStall = 0;
    QTimer beat;
    beat.setInterval(5);
    QObject::connect(&beat, &QTimer::timeout,
        [&] { longestStall = std::max(longestStall, sinceTurn.restart()); });

    const auto waitShown = [&](const QString &file) {
        QElapsedTimer timer;
        timer.start();
        while ((viewer->pictureBusy() || viewer->shownFile() != file) && timer.elapsed() < 20000)
            QApplication::processEvents(QEventLoop::AllEvents, 5);
        return timer.nsecsElapsed() / 1e6;
    };

    viewer->files()->SetListIndex(0);
    viewer->ViewClicked();
    waitShown(dir + QStringLiteral("/photo_000.jpg"));
    shots::settle(100);
    const QSize box = viewer->picture()->decodeBox();

    // Two passes: looking at each picture for a moment (the next one is
    // decoded ahead meanwhile), then paging back as fast as pictures appear.
    QList<double> nextMs;
    QList<double> rapidMs;
    QList<double> stallMs;
    QList<double> boxMs;
    QList<double> fullMs;
    const auto page = [&](int index, bool forward, bool dwell) {
        const QString file = dir + QLatin1Char('/') + viewer->files()->List(index);
        if (dwell)
            shots::settle(150);
        sinceTurn.restart();
        longestStall = 0;
        beat.start();
        QElapsedTimer timer;
        timer.start();
        if (forward)
            viewer->NextClicked();
        else
            viewer->PreviousClicked();
        waitShown(file);
        const double ms = timer.nsecsElapsed() / 1e6;
        beat.stop();
        stallMs.append(double(longestStall));
        return ms;
    };
    std::printf("step  next on screen ms  longest stall ms  decode at box ms  full decode ms\n");
    const int last = viewer->files()->ListCount() - 1;
    for (int i = 1; i <= last; ++i) {
        const double ms = page(i, true, true);
        const QString file = dir + QLatin1Char('/') + viewer->files()->List(i);
        // The same file decoded on this thread, side by side: at the box
        // the viewer asks for, and at full size.
        QElapsedTimer decode;
        decode.start();
        LoadedImage image;
        LoadImageThumbnail(file, box, image);
        const double atBox = decode.nsecsElapsed() / 1e6;
        decode.restart();
        LoadImageFile(file, image, DecodeSize::Full);
        const double fullDecode = decode.nsecsElapsed() / 1e6;
        nextMs.append(ms);
        boxMs.append(atBox);
        fullMs.append(fullDecode);
        std::printf(
            "%4d  %17.1f  %16.1f  %16.1f  %13.1f\n", i, ms, stallMs.last(), atBox, fullDecode);
    }
    for (int i = last - 1; i >= 0; --i)
        rapidMs.append(page(i, false, false));
    QList<double> all = nextMs + rapidMs;
    const double worst = *std::max_element(all.cbegin(), all.cend());
    std::printf("\npicture box %d x %d pixels, %lld photographs of 12 megapixels\n", box.width(),
        box.height(), qlonglong(nextMs.size() + 1));
    std::printf("next picture on screen after a look: median %.1f ms, worst %.1f ms\n",
        median(nextMs), *std::max_element(nextMs.cbegin(), nextMs.cend()));
    std::printf("paging back without a pause: median %.1f ms, worst %.1f ms (target 300 ms)\n",
        median(rapidMs), *std::max_element(rapidMs.cbegin(), rapidMs.cend()));
    std::printf("longest event loop stall while paging: worst %.1f ms\n",
        *std::max_element(stallMs.cbegin(), stallMs.cend()));
    std::printf("one decode at the box: median %.1f ms; full size: median %.1f ms (%.1fx)\n",
        median(boxMs), median(fullMs), median(fullMs) / std::max(0.1, median(boxMs)));
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return worst <= 300 ? 0 : 1;
}
