#include "support/clirunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace vexa::test {

QString CliPath()
{
    const QString tools = qEnvironmentVariable("VEXA_TEST_TOOLS");
    if (!tools.isEmpty())
        return QDir(tools).filePath(QStringLiteral("bin/vexa-cli"));
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("vexa-cli"));
}

void StartCli(QProcess &process, const QStringList &args, const QString &dataDir)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    process.setProcessEnvironment(env);
    const QStringList data
        = dataDir.isEmpty() ? QStringList() : QStringList { QStringLiteral("--data"), dataDir };
    process.start(CliPath(), data + args);
    EXPECT_TRUE(process.waitForStarted()) << args.join(' ').toStdString();
}

CliResult RunCli(const QStringList &args, const QString &dataDir, int timeoutMs)
{
    QProcess process;
    StartCli(process, args, dataDir);
    EXPECT_TRUE(process.waitForFinished(timeoutMs)) << args.join(' ').toStdString();
    return { process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError()) };
}

}  // namespace vexa::test
