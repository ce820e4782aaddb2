// Settings, error reports, the log file and the path helpers.
#include "base/environment.h"
#include "base/errors.h"
#include "base/log.h"
#include "base/paths.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/settings.h"
#include "support/qtprinters.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

TEST(Settings, RoundTripsEveryKindOfValue)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    EXPECT_TRUE(GetSystemSetting(QStringLiteral("LangOffset")).isNull()) << "new database";
    EXPECT_EQ(GetSystemSetting(QStringLiteral("AllowUndo")).toBool(), true)
        << "undoable deletions for a new user";
    EXPECT_EQ(GetSystemSetting(QStringLiteral("ThumbSize")).toInt(), 10);

    struct Row {
        const char *key;
        QVariant value;
    } rows[] = {
        { "LangOffset", 2000 },
        { "AllowUndo", true },
        { "InternetDirectory", QStringLiteral("/home/anna/Downloads/Ünïcode 'quoted' \"dir\"") },
        { "LastViewDirectory", QString() },
        { "ThumbSize", 20 },
        { "LastOpenCollection", 123456 },
        { "TotalFilesNarrated", 32767 },
        { "TotalBytesNarrated", qlonglong(5'000'000'000) },
    };
    for (const Row &row : rows) {
        const QString key = QString::fromLatin1(row.key);
        EXPECT_TRUE(SaveSystemSetting(key, row.value)) << row.key;
        const QVariant back = GetSystemSetting(key);
        if (row.value.typeId() == QMetaType::QString)
            EXPECT_EQ(back.toString(), row.value.toString()) << row.key;
        else if (row.value.typeId() == QMetaType::Bool)
            EXPECT_EQ(back.toBool(), row.value.toBool()) << row.key;
        else
            EXPECT_EQ(back.toLongLong(), row.value.toLongLong()) << row.key;
    }
    EXPECT_TRUE(SaveSystemSetting(QStringLiteral("LangOffset"), QVariant()));
    EXPECT_TRUE(GetSystemSetting(QStringLiteral("LangOffset")).isNull()) << "Null is stored";
    EXPECT_EQ(messages.count(), 0);
}

TEST(Settings, UnknownOrUnsafeKeysAreReportedAndChangeNothing)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    EXPECT_TRUE(GetSystemSetting(QStringLiteral("NoSuchField")).isNull());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(
        messages.last().text.contains(QStringLiteral("modDataFunc - GetSystemSetting\r\r")));
    EXPECT_EQ(messages.last().icon, MsgIcon::Critical);

    EXPECT_FALSE(SaveSystemSetting(QStringLiteral("ThumbSize=1; DROP TABLE FileData; --"), 5));
    EXPECT_EQ(messages.count(), 2);
    EXPECT_TRUE(messages.last().text.contains(QStringLiteral("modDataFunc - SaveSystemSetting")));
    EXPECT_EQ(GetSystemSetting(QStringLiteral("ThumbSize")).toInt(), 10);
    EXPECT_GE(AppDb().fileData->recordCount(), 0) << "FileData still exists";

    EXPECT_FALSE(SaveSystemSetting(QStringLiteral("ThumbSize"), QStringLiteral("big")))
        << "a value of the wrong type";
    EXPECT_EQ(GetSystemSetting(QStringLiteral("ThumbSize")).toInt(), 10) << "row as it was";
}

TEST(Settings, ClosedDatabaseIsReportedNotCrashed)
{
    test::TempDataDir data(false);
    test::ScriptedMessages messages;
    EXPECT_TRUE(GetSystemSetting(QStringLiteral("ThumbSize")).isNull());
    EXPECT_FALSE(SaveSystemSetting(QStringLiteral("ThumbSize"), 3));
    EXPECT_EQ(messages.count(), 2);
}

TEST(ErrorReport, LayoutIncludingNumberZeroAndEmptyDescription)
{
    test::ScriptedMessages messages;
    SetLangOffset(0);
    ReportError(
        0, QString(), QStringLiteral("modFunctions"), QStringLiteral("WriteToLogFile(x, New)"));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text,
        QStringLiteral(
            "An error occured in module: modFunctions - WriteToLogFile(x, New)\r\r0 - "));
    EXPECT_EQ(messages.last().title, QStringLiteral("VEXA - Error"));
    EXPECT_EQ(messages.last().icon, MsgIcon::Critical);
    EXPECT_EQ(messages.last().buttons, MsgButtons::Ok);

    SetLangOffset(2000);
    ReportError(3021, QStringLiteral("No current record."), QStringLiteral("frmVEXA"),
        ProcedureText(QStringLiteral("ShowDuplicate"), { QStringLiteral("3") }));
    SetLangOffset(0);
    EXPECT_EQ(messages.last().title, QStringLiteral("VEXA - Fout"));
    EXPECT_TRUE(messages.last().text.endsWith(
        QStringLiteral("frmVEXA - ShowDuplicate(3)\r\r3021 - No current record.")));
}

TEST(Log, LinesEndInCrLfAndNewStartsAfresh)
{
    test::TempDataDir data(false);
    test::ScriptedMessages messages;
    const QString name = QString::fromLatin1(kGatherLogName);
    EXPECT_TRUE(WriteToLogFile(name, QStringLiteral("old run"), false));
    EXPECT_TRUE(WriteToLogFile(name, QStringLiteral("VEXA - ImageGather Report"), false));
    EXPECT_TRUE(WriteToLogFile(name, QString(40, QLatin1Char('-')), true));
    EXPECT_TRUE(WriteToLogFile(name, QString(), true));
    EXPECT_TRUE(WriteToLogFile(name, QStringLiteral("Error loading: /tmp/bad.jpg"), true));
    QFile log(data.file(name));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_EQ(log.readAll(),
        QByteArray("VEXA - ImageGather Report\r\n"
                   "----------------------------------------\r\n"
                   "\r\n"
                   "Error loading: /tmp/bad.jpg\r\n"));
    EXPECT_EQ(messages.count(), 0);
}

TEST(Log, UnwritableLogIsReportedWithItsProcedureText)
{
    test::TempDataDir data(false);
    test::ScriptedMessages messages;
    SetProgramDirectory(data.file(QStringLiteral("missing-subdirectory")));
    EXPECT_FALSE(WriteToLogFile(QStringLiteral("VEXA_IG.LOG"), QStringLiteral("a line"), true));
    SetProgramDirectory(data.path());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.last().text.contains(
        QStringLiteral("modFunctions - WriteToLogFile(a line, Append)\r\r")));
}

TEST(Paths, SplitStripAndTrim)
{
    EXPECT_EQ(SplitPath(QStringLiteral("/home/a/b.jpg"), true), QStringLiteral("/home/a"));
    EXPECT_EQ(SplitPath(QStringLiteral("/home/a/b.jpg"), false), QStringLiteral("b.jpg"));
    EXPECT_EQ(SplitPath(QStringLiteral("b.jpg"), true), QStringLiteral("b.jpg"));
    QString p = QStringLiteral("/home/a///");
    EXPECT_EQ(StripTrailingBackslash(p), QStringLiteral("/home/a"));
    EXPECT_EQ(p, QStringLiteral("/home/a")) << "the argument changes too";
    QString root = QStringLiteral("/");
    EXPECT_EQ(StripTrailingBackslash(root), QStringLiteral("/")) << "root keeps a usable name";
    QString empty;
    EXPECT_EQ(StripTrailingBackslash(empty), QString());
    EXPECT_EQ(
        TrimAtNul(QStringLiteral("abc") + QChar(0) + QStringLiteral("def")), QStringLiteral("abc"));
    EXPECT_EQ(TrimAtNul(QStringLiteral("abc")), QStringLiteral("abc"));
    EXPECT_EQ(GetShortPath(QStringLiteral("/no/such/path/at/all")), QString());
    EXPECT_EQ(GetShortPath(QStringLiteral("/tmp")), QStringLiteral("/tmp"));
}

}  // namespace
