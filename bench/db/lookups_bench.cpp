// The lookups that gathering, narration and the directory list make once per
// file or per directory, on databases of 100,000 and 1,000,000 FileData rows
// (ten files per directory). Each must cost the same at both sizes.
#include "base/environment.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"
#include "db/statistics.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <map>
#include <memory>
#include <random>

using namespace vexa;

namespace {

constexpr int kFilesPerDirectory = 10;
constexpr int kCollections = 4;

struct Fixture {
    std::unique_ptr<QTemporaryDir> dir;
    std::int64_t rows = 0;
};

std::map<std::int64_t, Fixture> g_fixtures;
std::int64_t g_open = 0;

void build(const QString &dir, std::int64_t rows)
{
    SetProgramDirectory(dir);
    SetInstallDirectory(QString());
    if (!OpenApplicationDatabase())
        throw std::runtime_error("cannot open the database");
    Database &db = *AppDb().db;
    Transaction t(db);
    const std::int64_t directories = rows / kFilesPerDirectory;
    {
        Statement item(db.connection().handle(),
            QStringLiteral("INSERT INTO CollectionItem (CollectionID, Path) VALUES (?, ?)"));
        for (std::int64_t i = 1; i <= directories; ++i) {
            item.bind(1, qlonglong(1 + i % kCollections));
            item.bind(2, QStringLiteral("/images/dir%1").arg(i));
            item.step();
            item.reset();
        }
    }
    Statement file(db.connection().handle(),
        QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName, FileSize, FileDimX, "
                       "FileDimY, AvgRGB, Pattern1, Pattern2) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    std::mt19937 random(7);
    for (std::int64_t i = 1; i <= directories; ++i) {
        for (int f = 0; f < kFilesPerDirectory; ++f) {
            file.bind(1, qlonglong(1 + i % kCollections));
            file.bind(2, qlonglong(i));
            file.bind(3, QStringLiteral("img%1.jpg").arg(f));
            file.bind(4, qlonglong(10'000 + random() % 5'000'000));
            file.bind(5, qlonglong(random() % 4000));
            file.bind(6, qlonglong(random() % 3000));
            file.bind(7, qlonglong(random() % 0xFFFFFF));
            file.bind(8, qlonglong(std::int32_t(random())));
            file.bind(9, qlonglong(std::int32_t(random())));
            file.step();
            file.reset();
        }
    }
    t.commit();
    db.connection().exec(QStringLiteral("ANALYZE"));
    CloseApplicationDatabase();
}

// Opens the database of that many rows as the application database.
std::int64_t use(std::int64_t rows)
{
    Fixture &fixture = g_fixtures[rows];
    if (!fixture.dir) {
        fixture.dir = std::make_unique<QTemporaryDir>();
        CloseApplicationDatabase();
        build(fixture.dir->path(), rows);
        fixture.rows = rows;
        g_open = 0;
    }
    if (g_open != rows) {
        CloseApplicationDatabase();
        SetProgramDirectory(fixture.dir->path());
        if (!OpenApplicationDatabase())
            throw std::runtime_error("cannot open the database");
        g_open = rows;
    }
    return rows / kFilesPerDirectory;
}

std::int32_t collectionOf(std::int64_t item)
{
    return std::int32_t(1 + item % kCollections);
}

// Gathering: "does this file have a record?" within one directory's set.
void BM_CheckIfFileDataExists(benchmark::State &state)
{
    const std::int64_t directories = use(state.range(0));
    std::mt19937 random(1);
    Database &db = *AppDb().db;
    std::int64_t item = 1;
    std::unique_ptr<RecordSet> dir;
    int n = 0;
    for (auto _ : state) {
        if (n++ % kFilesPerDirectory == 0) {
            item = 1 + random() % directories;
            dir = std::make_unique<RecordSet>(db, DirectoryFileDataSql(collectionOf(item), item));
        }
        benchmark::DoNotOptimize(
            CheckIfFileDataExists(*dir, QStringLiteral("img%1.jpg").arg(n % 12)));
    }
    state.SetLabel("open the directory's set once per 10 lookups");
}

// Duplicate viewer, persistence: find-first by ID on the file data set.
void BM_FindFirstById(benchmark::State &state)
{
    use(state.range(0));
    std::mt19937 random(2);
    RecordSet &files = *AppDb().fileData;
    for (auto _ : state) {
        const std::int64_t id = 1 + random() % state.range(0);
        benchmark::DoNotOptimize(files.findFirst(FileIdCriterion(id)));
        benchmark::DoNotOptimize(files.value(QStringLiteral("FileSize")));
    }
}

// Directory list: the image count of one directory.
void BM_DirectoryImageCount(benchmark::State &state)
{
    const std::int64_t directories = use(state.range(0));
    std::mt19937 random(3);
    Database &db = *AppDb().db;
    for (auto _ : state) {
        const std::int64_t item = 1 + random() % directories;
        RecordSet count(db, DirectoryImageCountSql(collectionOf(item), item),
            RecordSetType::Snapshot, kReadOnlyOption);
        count.moveLast();
        benchmark::DoNotOptimize(count.value(QStringLiteral("Aantal")));
    }
}

// Narration: the count of two checked directories.
void BM_NarrationCount(benchmark::State &state)
{
    const std::int64_t directories = use(state.range(0));
    std::mt19937 random(4);
    Database &db = *AppDb().db;
    for (auto _ : state) {
        const std::int64_t a = 1 + random() % (directories / kCollections) * kCollections;
        const std::int64_t b = a + kCollections <= directories ? a + kCollections : a;
        const QString selection = BuildSelectionSql(
            { { DirectoryKey(a), true }, { DirectoryKey(b), true } }, collectionOf(a));
        RecordSet count(db, NarrationCountSql(selection), RecordSetType::Snapshot, kReadOnlyOption);
        benchmark::DoNotOptimize(count.value(0));
    }
}

// Gathering: walking one directory's rows with the dynaset.
void BM_WalkOneDirectory(benchmark::State &state)
{
    const std::int64_t directories = use(state.range(0));
    std::mt19937 random(5);
    Database &db = *AppDb().db;
    for (auto _ : state) {
        const std::int64_t item = 1 + random() % directories;
        RecordSet dir(db, DirectoryFileDataSql(collectionOf(item), item));
        int seen = 0;
        for (; !dir.eof(); dir.moveNext())
            seen += dir.value(QStringLiteral("FileSize")).toInt() > 0;
        benchmark::DoNotOptimize(seen);
    }
    state.SetLabel("10 rows per directory");
}

// Statistics view: whole-table counts (once per view, not per file).
void BM_CountFileData(benchmark::State &state)
{
    use(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(CountFileData());
    state.SetLabel("whole table: grows with the rows");
}

}  // namespace

BENCHMARK(BM_CheckIfFileDataExists)->Arg(100'000)->Arg(1'000'000);
BENCHMARK(BM_FindFirstById)->Arg(100'000)->Arg(1'000'000);
BENCHMARK(BM_DirectoryImageCount)->Arg(100'000)->Arg(1'000'000);
BENCHMARK(BM_NarrationCount)->Arg(100'000)->Arg(1'000'000);
BENCHMARK(BM_WalkOneDirectory)->Arg(100'000)->Arg(1'000'000);
BENCHMARK(BM_CountFileData)->Arg(100'000)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    CloseApplicationDatabase();
    g_fixtures.clear();
    benchmark::Shutdown();
    return 0;
}
