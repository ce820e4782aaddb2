// vexa-cli signature and compare, run as the user runs them.
#include "support/clirunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Result {
    int status = -1;
    QList<QJsonObject> lines;
};

Result runCli(const QStringList &args)
{
    const vexa::test::CliResult run = vexa::test::RunCli(args);
    Result result;
    result.status = run.status;
    for (const QString &line : run.out.split(QLatin1Char('\n')))
        if (!line.isEmpty())
            result.lines.append(QJsonDocument::fromJson(line.toUtf8()).object());
    return result;
}

class CliSignatureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!QFile::exists(vexa::test::CliPath()))
            GTEST_SKIP() << "vexa-cli is not built beside the tests";
        const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
        if (convert.isEmpty())
            GTEST_SKIP() << "ImageMagick convert is not installed";
        // A name with a quote and non-ASCII letters.
        m_photo = m_dir.filePath(QStringLiteral("Ma\u00efs 'oogst'.jpg"));
        m_copy = m_dir.filePath(QStringLiteral("copy.png"));
        m_other = m_dir.filePath(QStringLiteral("other.png"));
        QProcess::execute(convert,
            { QStringLiteral("-size"), QStringLiteral("300x200"),
                QStringLiteral("gradient:red-navy"), QStringLiteral("-quality"),
                QStringLiteral("80"), m_photo });
        QProcess::execute(
            convert, { m_photo, QStringLiteral("-resize"), QStringLiteral("50%"), m_copy });
        QProcess::execute(convert,
            { QStringLiteral("-size"), QStringLiteral("300x200"),
                QStringLiteral("gradient:white-black"), QStringLiteral("-rotate"),
                QStringLiteral("90"), m_other });
    }

    QTemporaryDir m_dir;
    QString m_photo, m_copy, m_other;
};

TEST_F(CliSignatureTest, SignaturePrintsOneLinePerFileAndFailsAtTheEnd)
{
    const QString missing = m_dir.filePath(QStringLiteral("missing.jpg"));
    const Result r = runCli({ QStringLiteral("signature"), m_photo, missing, m_copy });
    EXPECT_EQ(r.status, 1);
    ASSERT_EQ(r.lines.size(), 3);
    const QJsonObject &first = r.lines[0];
    EXPECT_EQ(first.value(QStringLiteral("path")).toString(), m_photo);
    EXPECT_EQ(first.value(QStringLiteral("width")).toInt(), 300);
    EXPECT_EQ(first.value(QStringLiteral("height")).toInt(), 200);
    EXPECT_EQ(first.value(QStringLiteral("size")).toInt(), QFileInfo(m_photo).size());
    EXPECT_EQ(first.value(QStringLiteral("pattern")).toString().size(), 64);
    EXPECT_EQ(first.value(QStringLiteral("quadrants")).toArray().size(), 4);
    EXPECT_EQ(first.value(QStringLiteral("average")).toArray().size(), 3);
    EXPECT_TRUE(
        first.value(QStringLiteral("packed")).toObject().contains(QStringLiteral("Pattern2")));
    EXPECT_TRUE(r.lines[1].contains(QStringLiteral("error")));
    EXPECT_EQ(r.lines[2].value(QStringLiteral("width")).toInt(), 150);
}

TEST_F(CliSignatureTest, CompareReportsEachMethodWithDistances)
{
    Result r = runCli({ QStringLiteral("compare"), m_photo, m_copy });
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.lines.size(), 3);
    for (const QJsonObject &line : r.lines)
        EXPECT_TRUE(line.value(QStringLiteral("match")).toBool())
            << line.value(QStringLiteral("name")).toString().toStdString();
    EXPECT_EQ(r.lines[2].value(QStringLiteral("slider")).toInt(), 12);
    EXPECT_EQ(r.lines[2].value(QStringLiteral("level")).toInt(), 6);

    r = runCli({ QStringLiteral("compare"), m_photo, m_other, QStringLiteral("--method"),
        QStringLiteral("2") });
    ASSERT_EQ(r.lines.size(), 1);
    EXPECT_FALSE(r.lines[0].value(QStringLiteral("match")).toBool());
    EXPECT_GT(r.lines[0].value(QStringLiteral("quadDistance")).toInt(), 0);

    EXPECT_EQ(runCli({ QStringLiteral("compare"), m_photo, QStringLiteral("--slider"),
                         QStringLiteral("30"), m_copy })
                  .status,
        2);
    EXPECT_EQ(runCli({ QStringLiteral("compare"), m_photo }).status, 2);
}

}  // namespace
