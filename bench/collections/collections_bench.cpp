// collections_bench: the tree walk over 10,000 directories, the file list
// box over one directory of 100,000 files, and the Add Tree procedure of the
// tab over 2,000 directories with images, each with its longest stretch
// without a turn of the event loop. Prints its figures.
#include "app/appobjects.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/filelisting.h"
#include "base/messages.h"
#include "collections/collectionstab.h"
#include "collections/directorytree.h"
#include "controls/filelistbox.h"
#include "db/lifecycle.h"
#include "db/records.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

using namespace vexa;

namespace {

// The longest time between two turns of the event loop while work runs.
struct LoopWatch {
    QElapsedTimer sinceTurn;
    qint64 longest = 0;
    QTimer timer;
    LoopWatch()
    {
        timer.setInterval(0);
        QObject::connect(
            &timer, &QTimer::timeout, [this] { longest = std::max(longest, sinceTurn.restart()); });
        sinceTurn.start();
        timer.start();
    }
};

}  // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    InitialiseResources();
    InitialiseEnvironment(96, 96);
    QTemporaryDir temp;

    const QString wide = temp.filePath("wide");
    for (int a = 0; a < 100; ++a)
        for (int b = 0; b < 100; ++b)
            QDir().mkpath(QStringLiteral("%1/%2/%3").arg(wide).arg(a).arg(b));
    QElapsedTimer timer;
    timer.start();
    qint64 gap = 0;
    QElapsedTimer sinceCall;
    sinceCall.start();
    const DirectoryTree tree = WalkDirectoryTrees({ wide }, [&](int) {
        gap = std::max(gap, sinceCall.restart());
        return true;
    });
    std::printf(
        "tree walk: %lld directories in %lld ms, longest stretch between progress calls %lld ms\n",
        qlonglong(tree.directories.size()), timer.elapsed(), gap);

    const QString many = temp.filePath("many");
    QDir().mkpath(many);
    for (int i = 0; i < 100000; ++i)
        QFile(QStringLiteral("%1/img%2.jpg").arg(many).arg(i)).open(QIODevice::WriteOnly);
    FileListBox box;
    box.SetPattern(QString::fromLatin1("*.jpg;*.jpe;*.bmp;*.dib;*.pic;*.gif;*.jif;*.jfi;*.kqp;*."
                                       "pcx;*.png;*.rle;*.tga;*.tif;*.wmf;*.wpg"));
    qint64 boxStretch = 0;
    {
        LoopWatch watch;
        timer.restart();
        box.SetPath(many);
        boxStretch = watch.longest;
    }
    std::printf("file list box: %d files of 100000 listed in %lld ms, longest stretch without the "
                "event loop %lld ms\n",
        box.ListCount(), timer.elapsed(), boxStretch);
    timer.restart();
    const QStringList plain = ListMatchingFiles(many, SplitFilePattern(box.Pattern()));
    std::printf("  the same directory by ListMatchingFiles (no stat): %lld files in %lld ms\n",
        qlonglong(plain.size()), timer.elapsed());
    timer.restart();
    QListWidget widget;
    widget.setUniformItemSizes(true);
    widget.addItems(plain);
    std::printf("  100,000 names into a list widget: %lld ms\n", timer.elapsed());

    SetProgramDirectory(temp.path());
    if (!OpenApplicationDatabase())
        return 1;
    CreateApplicationObjects();
    const QString photos = temp.filePath("photos");
    for (int a = 0; a < 2000; ++a) {
        const QString dir = QStringLiteral("%1/%2/%3").arg(photos).arg(a / 50).arg(a);
        QDir().mkpath(dir);
        QFile(dir + "/p.jpg").open(QIODevice::WriteOnly);
    }
    AddNewCollectionToDB("Bench");
    CollectionsTab tab(nullptr);
    tab.FillCollectionCombo("Bench");
    {
        LoopWatch watch;
        timer.restart();
        tab.AddDirectoryTrees({ photos });
        std::printf("add tree: %d directories listed in %lld ms, longest stretch without the "
                    "event loop %lld ms\n",
            tab.lstvDirectories()->topLevelItemCount(), timer.elapsed(), watch.longest);
    }
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
