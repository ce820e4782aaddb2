// Gathering by memory: the entries equal the rows gathering stores for the
// same files, for any thread count; files that do not load are passed
// over; the 9,999 limit; replacing and appending; cancel between files.
#include "gatherfixture.h"

#include "db/appdatabase.h"
#include "db/sqlite.h"
#include "gather/memorygather.h"
#include "gather/memorysignatures.h"

#include <QDir>
#include <QFile>

using namespace vexa;
using namespace vexa::test;

namespace {

class MemoryGatherTest : public GatherFixture {
protected:
    // Images, a text file and a truncated JPEG, in a directory of the
    // collection; returns every path, in name order.
    QStringList makeFiles(int images)
    {
        const QString dir = addDirectory(QStringLiteral("drop"));
        QStringList paths;
        for (int i = 0; i < images; ++i) {
            const QString path = dir
                + QStringLiteral("/img%1.%2")
                      .arg(i, 2, 10, QLatin1Char('0'))
                      .arg(i % 3 == 0 ? QStringLiteral("png") : QStringLiteral("jpg"));
            writeImage(path, i + 1, 60 + i, 40 + i);
            paths.append(path);
        }
        QFile text(dir + QStringLiteral("/notes.jpg"));
        EXPECT_TRUE(text.open(QIODevice::WriteOnly));
        text.write("not a picture at all");
        text.close();
        paths.insert(2, text.fileName());
        QFile truncated(dir + QStringLiteral("/truncated.jpg"));
        QFile whole(paths[1]);
        EXPECT_TRUE(whole.open(QIODevice::ReadOnly) && truncated.open(QIODevice::WriteOnly));
        truncated.write(whole.read(120));
        truncated.close();
        paths.insert(4, truncated.fileName());
        return paths;
    }
};

std::vector<QVariantList> entryRows(const MemorySignatureList &list)
{
    std::vector<QVariantList> rows;
    for (std::int32_t i = 0; i < list.size(); ++i) {
        const MemorySignatureEntry &e = *list.at(i);
        rows.push_back({ e.FileName, qint64(e.FileSize), e.DimX, e.DimY, e.AvgRGB, e.QuadRGB[0],
            e.QuadRGB[1], e.QuadRGB[2], e.QuadRGB[3], e.Pattern1, e.Pattern2 });
    }
    return rows;
}

TEST_F(MemoryGatherTest, EntriesEqualGatheredRowsForAnyThreadCount)
{
    const QStringList files = makeFiles(9);
    RecordingObserver gathering;
    ASSERT_EQ(gather(gathering, 1), RunOutcome::Completed);
    std::vector<QVariantList> stored;
    Statement query(OpenDb().connection().handle(),
        QStringLiteral("SELECT FileName, FileSize, FileDimX, FileDimY, AvgRGB, QuadRGB0, "
                       "QuadRGB1, QuadRGB2, QuadRGB3, Pattern1, Pattern2 FROM FileData"));
    while (query.step()) {
        QVariantList row;
        for (int c = 0; c < query.columnCount(); ++c)
            row.append(c == 0 ? query.column(c) : QVariant(query.columnInt64(c)));
        stored.push_back(row);
    }
    std::sort(stored.begin(), stored.end(), [](const QVariantList &a, const QVariantList &b) {
        return a[0].toString() < b[0].toString();
    });
    ASSERT_EQ(stored.size(), 9u) << "the text file and the truncated JPEG are not gathered";

    for (const int threads : { 1, 2, 4 }) {
        MemorySignatureList list;
        RecordingObserver observer;
        MemoryGatherOptions options;
        options.threads = threads;
        MemoryGatherEngine engine(list, files, options);
        EXPECT_EQ(engine.run(observer).outcome, RunOutcome::Completed);
        EXPECT_EQ(engine.gathered(), 9) << threads;
        EXPECT_EQ(engine.base(), 0);
        EXPECT_EQ(observer.last.errors, 2) << "the text file and the truncated JPEG";
        EXPECT_EQ(observer.last.found, 9);
        std::vector<QVariantList> rows = entryRows(list);
        for (QVariantList &row : rows) {
            for (int c = 1; c < row.size(); ++c)
                row[c] = QVariant(row[c].toLongLong());
        }
        EXPECT_EQ(rows, stored) << threads << " threads";
        EXPECT_EQ(list.at(0)->Path, QFileInfo(files[0]).absolutePath());
        EXPECT_EQ(list.at(0)->fullPath(), files[0]);
    }
}

struct Gathered {
    RunResult result;
    std::int32_t gathered = 0;
    std::int32_t base = 0;
    bool overflow = false;
};

Gathered gatherFake(MemorySignatureList &list, const QStringList &files, bool append,
    RecordingObserver *observer = nullptr, int threads = 1);

// A decode that needs no file: odd names load, even names do not.
DecodedImage fakeDecode(const QString &path)
{
    DecodedImage image;
    const int n = path.section(QLatin1Char('/'), -1).toInt();
    image.loaded = n % 2 == 1;
    image.sampled = image.loaded;
    image.fileSize = n;
    image.width = 10;
    image.height = 20;
    image.pattern = QByteArray(64, '1');
    return image;
}

Gathered gatherFake(MemorySignatureList &list, const QStringList &files, bool append,
    RecordingObserver *observer, int threads)
{
    MemoryGatherOptions options;
    options.decode = fakeDecode;
    options.threads = threads;
    options.append = append;
    options.reportIntervalMs = 0;
    RecordingObserver quiet;
    MemoryGatherEngine engine(list, files, options);
    const RunResult result = engine.run(observer ? *observer : quiet);
    return { result, engine.gathered(), engine.base(), engine.overflow() };
}

QStringList names(int from, int count)
{
    QStringList list;
    for (int i = from; i < from + count; ++i)
        list.append(QStringLiteral("/in/%1").arg(i));
    return list;
}

TEST(MemoryGatherLimits, NineThousandNineHundredNinetyNineAndOneMore)
{
    MemorySignatureList list;
    RecordingObserver observer;
    Gathered result = gatherFake(list, names(0, 9999), false, &observer, 2);
    EXPECT_FALSE(result.overflow);
    EXPECT_EQ(result.gathered, 4999);
    EXPECT_EQ(list.size(), 4999) << "only valid entries are kept";
    EXPECT_EQ(observer.first.total, 9999);
    EXPECT_EQ(observer.last.done, 9999);
    EXPECT_EQ(observer.last.errors, 5000);
    EXPECT_EQ(observer.finishedCount, 1);
    EXPECT_FALSE(observer.outOfOrder);
    EXPECT_EQ(list.at(0)->FileSize, 1);

    result = gatherFake(list, names(0, 10000), false);
    EXPECT_TRUE(result.overflow);
    EXPECT_EQ(result.result.outcome, RunOutcome::Failed);
    EXPECT_EQ(result.result.errorNumber, 0) << "the window shows 744 instead of an error report";
    EXPECT_EQ(result.gathered, 0);
    EXPECT_EQ(list.size(), 4999) << "an overflow changes nothing in the list";
}

TEST(MemoryGatherLimits, ReplaceAppendAndCancel)
{
    MemorySignatureList list;
    EXPECT_EQ(gatherFake(list, names(1, 6), false).gathered, 3);
    // Appending never moves an entry: groups name them by position.
    const Gathered appended = gatherFake(list, names(11, 4), true);
    EXPECT_EQ(appended.base, 3);
    EXPECT_EQ(appended.gathered, 2);
    ASSERT_EQ(list.size(), 5);
    EXPECT_EQ(list.at(2)->FileSize, 5);
    EXPECT_EQ(list.at(3)->FileSize, 11);
    // Nothing that loads: without append the list is empty afterwards.
    EXPECT_EQ(gatherFake(list, names(2, 1), false).gathered, 0);
    EXPECT_EQ(list.size(), 0);

    RecordingObserver observer;
    observer.cancelAfter = 2;
    const Gathered cancelled = gatherFake(list, names(1, 9), false, &observer);
    EXPECT_EQ(cancelled.result.outcome, RunOutcome::Cancelled);
    EXPECT_EQ(cancelled.gathered, 2) << "files 1 and 3 before the cancel";
    EXPECT_EQ(observer.finishedCount, 1);
}

}  // namespace
