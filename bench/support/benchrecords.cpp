#include "benchrecords.h"

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

std::int32_t StoreBenchRecord(const QString &dir, const QString &name, std::int32_t collection,
    std::int64_t item, int width, int height)
{
    ImageFileInfo info;
    info.Directory = dir;
    info.FileName = name;
    info.FileSize = QFileInfo(dir + QLatin1Char('/') + name).size();
    info.DimX = width;
    info.DimY = height;
    StoreImageData(collection, item, info, {}, {}, QByteArray(64, '0'));
    return std::int32_t(AppDb().fileData->lastModified());
}

std::int32_t StoreBenchPicture(
    const BenchDirectory &directory, const QString &file, int width, int height)
{
    return StoreBenchRecord(directory.path, QFileInfo(file).fileName(), directory.collection,
        directory.item, width, height);
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
