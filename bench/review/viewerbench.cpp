#include "viewerbench.h"

#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/records.h"
#include "review/duplicateviewer.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTimer>
#include <QWidget>

namespace vexa {

BenchDirectory AddBenchDirectory(const QString &directory)
{
    AddNewCollectionToDB(QStringLiteral("Bench"));
    BenchDirectory bench;
    bench.collection = FindCollectionId(QStringLiteral("Bench"));
    bench.path = directory;
    QString dir = directory;
    bench.item = AddNewItemToCollection(bench.collection, dir);
    return bench;
}

std::int32_t StoreBenchPicture(
    const BenchDirectory &directory, const QString &file, int width, int height)
{
    ImageFileInfo info;
    info.Directory = directory.path;
    info.FileName = QFileInfo(file).fileName();
    info.FileSize = QFileInfo(file).size();
    info.DimX = width;
    info.DimY = height;
    StoreImageData(directory.collection, directory.item, info, {}, {}, QByteArray(64, '0'));
    return std::int32_t(AppDb().fileData->lastModified());
}

DuplicateViewer *ShowViewerWhenLoaded(QWidget &window)
{
    window.resize(1280, 960);
    auto *viewer = new DuplicateViewer(&window);
    viewer->resize(window.size());
    window.show();
    viewer->InitDuplicateView();
    QEventLoop settle;
    QTimer::singleShot(400, &settle, &QEventLoop::quit);  // the first delayed rebuild
    settle.exec();
    QEventLoop wait;
    QObject::connect(viewer, &DuplicateViewer::thumbnailsFinished, &wait, &QEventLoop::quit);
    if (viewer->thumbnailsLoading())
        wait.exec();
    return viewer;
}

}  // namespace vexa
