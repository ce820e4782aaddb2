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
    QByteArray outBytes;  // standard output as written (names in their own bytes)
};

// The built vexa-cli: under VEXA_TEST_TOOLS/bin, which ctest sets, else
// beside the test binary. Tests skip when it is not there.
QString CliPath();

// Starts vexa-cli with "--data dataDir" (when given) before args, in an
// English UTF-8 locale. wrapper (when given) is a command line that runs the
// vexa-cli command line appended to it.
void StartCli(QProcess &process, const QStringList &args, const QString &dataDir = QString(),
    const QStringList &wrapper = {});

// Runs vexa-cli to its end (at most timeoutMs).
CliResult RunCli(const QStringList &args, const QString &dataDir = QString(), int timeoutMs = 60000,
    const QStringList &wrapper = {});

}  // namespace vexa::test
