// overview_bench [GROUPS]: the Duplicates tab's overview over a set of
// GROUPS groups (default 100,000) of three records each: the time from
// showing the set to the first paint of the list, and the longest stall of
// the event loop while the list is scrolled from top to bottom a page at a
// time (a 5 ms timer measures the gaps). Run under xvfb-run or with
// QT_QPA_PLATFORM=offscreen.
#include "base/environment.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/lifecycle.h"
#include "db/sqlite.h"
#include "narration/duplicateset.h"
#include "review/overviewpanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using namespace vexa;

namespace {

class FirstPaint : public QObject {
public:
    QElapsedTimer *clock = nullptr;
    qint64 ms = -1;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && ms < 0)
            ms = clock->elapsed();
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int groups = argc > 1 ? QString::fromLocal8Bit(argv[1]).toInt() : 100000;
    QTemporaryDir dir;
    SetProgramDirectory(dir.path());
    SetInstallDirectory(QString());
    if (!OpenApplicationDatabase())
        return 1;
    Database &db = *AppDb().db;
    CDuplicates set;
    {
        Transaction transaction(db);
        db.Execute(QStringLiteral(
            "INSERT INTO CollectionItem (ItemID, CollectionID, Path) VALUES (1, 1, '/pictures')"));
        Statement insert(db.connection().handle(),
            QStringLiteral("INSERT INTO FileData (ID, CollectionID, ItemID, FileName, FileSize, "
                           "FileDimX, FileDimY) VALUES (?, 1, 1, ?, ?, 640, 480)"));
        std::int32_t id = 0;
        for (int g = 0; g < groups; ++g) {
            QList<std::int32_t> ids;
            for (int f = 0; f < 3; ++f) {
                insert.reset();
                insert.bind(1, ++id);
                insert.bind(2, QStringLiteral("g%1_%2.jpg").arg(g).arg(f));
                insert.bind(3, 1000 + (g * 7 + f) % 5000);
                insert.step();
                ids.append(id);
            }
            set.Add(ids.mid(1), ids.first(), 0, QString());
        }
        transaction.commit();
    }
    OverviewPanel panel;
    panel.resize(600, 700);
    panel.show();
    app.processEvents();
    QElapsedTimer clock;
    FirstPaint paint;
    paint.clock = &clock;
    panel.table()->viewport()->installEventFilter(&paint);
    clock.start();
    panel.showSet(set, {});
    const qint64 modelMs = clock.elapsed();
    while (paint.ms < 0 && clock.elapsed() < 10000)
        app.processEvents(QEventLoop::AllEvents, 5);
    std::printf("overview of %d groups: rows ready %lld ms, first paint %lld ms\n", groups,
        (long long)modelMs, (long long)paint.ms);

    // Scrolling: a page every 20 ms from top to bottom (and a sort change in
    // the middle); the longest gap between two ticks of a 5 ms timer.
    QElapsedTimer gap;
    gap.start();
    qint64 longest = 0;
    QTimer ticker;
    ticker.setInterval(5);
    QObject::connect(
        &ticker, &QTimer::timeout, [&] { longest = std::max(longest, gap.restart()); });
    ticker.start();
    QScrollBar *bar = panel.table()->verticalScrollBar();
    const int steps = 200;
    const int stride = std::max(1, bar->maximum() / steps);
    QElapsedTimer scrolling;
    scrolling.start();
    for (int v = 0; v <= bar->maximum(); v += stride) {
        bar->setValue(v);
        QElapsedTimer wait;
        wait.start();
        while (wait.elapsed() < 20)
            app.processEvents(QEventLoop::AllEvents, 5);
    }
    ticker.stop();
    std::printf("scrolled %d pages in %lld ms; longest event-loop stall %lld ms\n", steps,
        (long long)scrolling.elapsed(), (long long)longest);
    QElapsedTimer sorting;
    sorting.start();
    panel.table()->sortByColumn(0, Qt::AscendingOrder);
    std::printf("sorting by path: %lld ms\n", (long long)sorting.elapsed());
    panel.clear();
    CloseApplicationDatabase();
    return 0;
}
