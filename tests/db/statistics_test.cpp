// Row counts, deletion counters and the statistics view on a real database.
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/statistics.h"
#include "support/qtprinters.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include <gtest/gtest.h>

#include <limits>

using namespace vexa;

namespace {

QVariant counter(const char *field)
{
    return AppDb().db->connection().scalar(
        QStringLiteral("SELECT %1 FROM SysInfo").arg(QLatin1String(field)));
}

void exec(const QString &sql)
{
    AppDb().db->Execute(sql);
}

}  // namespace

TEST(Statistics, KilobytesRoundHalvesToEven)
{
    struct Row {
        std::int64_t bytes;
        std::int64_t kb;
    };
    const Row rows[]
        = { { 0, 0 }, { 511, 0 }, { 512, 0 }, { 513, 1 }, { 1024, 1 }, { 1536, 2 }, { 2560, 2 },
              { 3100, 3 }, { 3584, 4 }, { 33'553'920, 32'768 }, { 10'737'418'240LL, 10'485'760 } };
    for (const Row &row : rows)
        EXPECT_EQ(KilobytesHalfEven(row.bytes), row.kb) << row.bytes << " bytes";
}

TEST(Statistics, DeletionsAddUpAndResetClearsBoth)
{
    test::TempDataDir data;
    AddDeletionStatistics(3, 1000 + 2000 + 100);
    EXPECT_EQ(counter("TotalFilesNarrated").toInt(), 3);
    EXPECT_EQ(counter("TotalBytesNarrated").toInt(), 3);
    AddDeletionStatistics(1, 1536);
    AddDeletionStatistics(1, 2560);
    EXPECT_EQ(counter("TotalFilesNarrated").toInt(), 5);
    EXPECT_EQ(counter("TotalBytesNarrated").toInt(), 7);
    ResetStatistics();
    EXPECT_EQ(counter("TotalFilesNarrated").toInt(), 0);
    EXPECT_EQ(counter("TotalBytesNarrated").toInt(), 0);
    EXPECT_FALSE(counter("TotalBytesNarrated").isNull());
}

TEST(Statistics, CountersPassTheOld16BitLimitAndSaturateAtTheirEnd)
{
    test::TempDataDir data;
    exec(QStringLiteral("UPDATE SysInfo SET TotalFilesNarrated=32767, TotalBytesNarrated=32767"));
    AddDeletionStatistics(1, 40'000 * 1024LL);  // one addition above 32,767 kilobytes
    EXPECT_EQ(counter("TotalFilesNarrated").toLongLong(), 32768);
    EXPECT_EQ(counter("TotalBytesNarrated").toLongLong(), 72767);

    const qlonglong max = std::numeric_limits<qint64>::max();
    exec(QStringLiteral("UPDATE SysInfo SET TotalFilesNarrated=%1, TotalBytesNarrated=%1")
             .arg(max - 1));
    AddDeletionStatistics(5, 5 * 1024);
    EXPECT_EQ(counter("TotalFilesNarrated").toLongLong(), max);
    EXPECT_EQ(counter("TotalBytesNarrated").toLongLong(), max);

    AddDeletionStatistics(-4, -4096);
    EXPECT_EQ(counter("TotalFilesNarrated").toLongLong(), max) << "a deletion never subtracts";
}

TEST(Statistics, NullCounterStaysNullAndShowsEmpty)
{
    test::TempDataDir data;
    exec(QStringLiteral("UPDATE SysInfo SET TotalFilesNarrated=NULL"));
    AppDb().sysInfo->requery();
    AddDeletionStatistics(2, 2048);
    EXPECT_TRUE(counter("TotalFilesNarrated").isNull());
    EXPECT_EQ(counter("TotalBytesNarrated").toInt(), 2);
    const QStringList lines
        = StatisticsText(CurrentStatistics(), QLocale::c()).split(QLatin1Char('\r'));
    EXPECT_EQ(lines.value(3), Text(756) + QLatin1Char('\t'));
}

TEST(Statistics, ViewShowsFiveLinesWithTheLocalesGrouping)
{
    StatisticsValues values;
    values.collections = 2;
    values.directories = 1234;
    values.files = 1'200'000;
    values.filesDeleted = qlonglong(0);
    values.kilobytesDeleted = qlonglong(0);
    struct Row {
        const char *locale;
        const char *files;
    };
    const Row rows[]
        = { { "en_US", "1,200,000" }, { "nl_NL", "1.200.000" }, { "de_CH", "1’200’000" } };
    for (const Row &row : rows) {
        const QLocale locale(QString::fromLatin1(row.locale));
        const QString text = StatisticsText(values, locale);
        const QString sep = locale.groupSeparator();
        const QString expected = Text(753) + "\t2\r" + Text(754) + "\t1" + sep + "234\r" + Text(755)
            + "\t" + QString::fromUtf8(row.files) + "\r" + Text(756) + "\t0\r" + Text(757)
            + "\t0 Kb\r";
        EXPECT_EQ(text, expected) << row.locale;
    }
    EXPECT_EQ(FormatStatisticsNumber(qlonglong(0), QLocale::c()), QStringLiteral("0"));
    QLocale plain(QLocale::English);
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_EQ(FormatStatisticsNumber(qlonglong(1234567), plain), QStringLiteral("1,234,567"))
        << "the format groups even where the default locale would not";
}

TEST(Statistics, ViewAndResetCommandShowTheirBoxes)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    exec(QStringLiteral("INSERT INTO Collection (Naam) VALUES ('a'), ('b')"));
    exec(QStringLiteral("INSERT INTO CollectionItem (CollectionID, Path) VALUES (1, '/x')"));
    exec(QStringLiteral("UPDATE SysInfo SET TotalFilesNarrated=4, TotalBytesNarrated=12345"));
    AppDb().sysInfo->requery();
    EXPECT_EQ(CountCollections(), 2);
    EXPECT_EQ(CountCollectionItems(), 1);
    EXPECT_EQ(CountFileData(), 0);

    ShowStatistics();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().title, Text(723));
    EXPECT_EQ(messages.last().icon, MsgIcon::Information);
    EXPECT_TRUE(messages.last().text.endsWith(Text(757) + QStringLiteral("\t12,345 Kb\r")))
        << messages.last().text.toStdString();

    ClearStatisticsCommand();
    ASSERT_EQ(messages.count(), 2);
    EXPECT_EQ(messages.last().text, Text(722));
    EXPECT_EQ(messages.last().title, Text(723));
    EXPECT_EQ(messages.last().icon, MsgIcon::Information);
    EXPECT_EQ(counter("TotalBytesNarrated").toInt(), 0);
    ShowStatistics();
    EXPECT_TRUE(messages.last().text.contains(Text(756) + QStringLiteral("\t0\r")));
    EXPECT_TRUE(messages.last().text.endsWith(QStringLiteral("\t0 Kb\r")));
    QLocale::setDefault(QLocale::c());
}

TEST(Statistics, ClosedDatabaseCountsNothingAndResetIsReported)
{
    test::TempDataDir data(false);
    test::ScriptedMessages messages;
    EXPECT_EQ(CountCollections(), 0);
    EXPECT_EQ(CountFileData(), 0);
    EXPECT_ANY_THROW(AddDeletionStatistics(1, 1));
    ClearStatisticsCommand();
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().icon, MsgIcon::Critical);
}
