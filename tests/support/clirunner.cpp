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

void StartCli(
    QProcess &process, const QStringList &args, const QString &dataDir, const QStringList &wrapper)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("en_US.UTF-8"));
    process.setProcessEnvironment(env);
    const QStringList data
        = dataDir.isEmpty() ? QStringList() : QStringList { QStringLiteral("--data"), dataDir };
    if (wrapper.isEmpty())
        process.start(CliPath(), data + args);
    else
        process.start(wrapper.first(), wrapper.mid(1) + QStringList { CliPath() } + data + args);
    EXPECT_TRUE(process.waitForStarted()) << args.join(' ').toStdString();
}

CliResult RunCli(
    const QStringList &args, const QString &dataDir, int timeoutMs, const QStringList &wrapper)
{
    QProcess process;
    StartCli(process, args, dataDir, wrapper);
    EXPECT_TRUE(process.waitForFinished(timeoutMs)) << args.join(' ').toStdString();
    const QByteArray out = process.readAllStandardOutput();
    return { process.exitCode(), QString::fromUtf8(out),
        QString::fromUtf8(process.readAllStandardError()), out };
}

}  // namespace vexa::test
