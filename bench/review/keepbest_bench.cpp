// keepbest_bench [GROUPS]: keep-best over a set of GROUPS groups (default
// 100,000) of three real, empty files each, every file a record: the
// engine's run from the set to the plans (each record read, each file looked
// at on disk), the first run and a second one with the directory entries
// cached, side by side.
#include "base/environment.h"
#include "base/run.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/lifecycle.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "review/keepbest.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

using namespace vexa;

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int groups = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    SetInstallDirectory(QString());
    if (!OpenApplicationDatabase())
        return 1;
    const QString images = dir.filePath(QStringLiteral("images"));
    QDir().mkpath(images);
    Database &db = *AppDb().db;
    CDuplicates set;
    {
        Transaction transaction(db);
        db.Execute(QStringLiteral("INSERT INTO CollectionItem (ItemID, CollectionID, Path) "
                                  "VALUES (1, 1, '%1')")
                       .arg(images));
        Statement insert(db.connection().handle(),
            QStringLiteral("INSERT INTO FileData (ID, CollectionID, ItemID, FileName, FileSize, "
                           "FileDimX, FileDimY) VALUES (?, 1, 1, ?, ?, ?, ?)"));
        std::int32_t id = 0;
        for (int g = 0; g < groups; ++g) {
            QList<std::int32_t> ids;
            for (int f = 0; f < 3; ++f) {
                const QString name = QStringLiteral("g%1_%2.jpg").arg(g).arg(f);
                const int fd
                    = ::open(QFile::encodeName(images + QLatin1Char('/') + name).constData(),
                        O_CREAT | O_WRONLY, 0644);
                if (fd >= 0)
                    ::close(fd);
                insert.reset();
                insert.bind(1, ++id);
                insert.bind(2, name);
                insert.bind(3, 1000 + (g + f) % 3);
                insert.bind(4, 640 * (1 + f % 2));
                insert.bind(5, 480);
                insert.step();
                ids.append(id);
            }
            set.Add(ids.mid(1), ids.first(), 0, QString());
        }
        transaction.commit();
    }
    std::printf("keep-best over %d groups of 3 files, rule pixels,size,oldest,shortest\n", groups);
    std::printf("%-30s %9s %9s %9s\n", "", "ms", "plans", "selected");
    for (const char *run : { "first run", "second run" }) {
        KeepBestOptions options;
        KeepBestEngine engine(set, options);
        RunObserver quiet;
        QElapsedTimer timer;
        timer.start();
        engine.run(quiet);
        const qint64 ms = timer.elapsed();
        std::size_t selected = 0;
        for (const KeepGroupPlan &plan : engine.plans())
            selected += plan.selected().size();
        std::printf("%-30s %9lld %9zu %9zu\n", run, (long long)ms, engine.plans().size(), selected);
    }
    CloseApplicationDatabase();
    return 0;
}
