#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

namespace vexa::test {

// What a vexa-cli run printed and how it ended.
struct CliResult {
    int status = -1;
    QString out;
    QString err;
};

// The built vexa-cli: under VEXA_TEST_TOOLS/bin, which ctest sets, else
// beside the test binary. Tests skip when it is not there.
QString CliPath();

// Starts vexa-cli with "--data dataDir" (when given) before args, in an
// English UTF-8 locale.
void StartCli(QProcess &process, const QStringList &args, const QString &dataDir = QString());

// Runs vexa-cli to its end (at most timeoutMs).
CliResult RunCli(
    const QStringList &args, const QString &dataDir = QString(), int timeoutMs = 60000);

}  // namespace vexa::test
