#include "base/environment.h"

#include "base/rounding.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vexa {

namespace {
QString g_programDir;
QString g_installDir;
Environment g_env;

bool isWritableDirectory(const QString &dir)
{
    // Permission bits lie on read-only mounts and for root; try a real file.
    QTemporaryFile probe(dir + QStringLiteral("/.vexa-write-probe-XXXXXX"));
    return probe.open();
}
}  // namespace

QString ProgramDirectory()
{
    return g_programDir;
}

void SetProgramDirectory(const QString &dir)
{
    g_programDir = QDir::cleanPath(dir);
}

QString PrivateTemporaryDirectory()
{
    return g_programDir + QStringLiteral("/tmp");
}

QString InstallDirectory()
{
    return g_installDir;
}

void SetInstallDirectory(const QString &dir)
{
    g_installDir = dir;
}

QString InstalledFilesDirectory(const QString &executableDir)
{
    if (executableDir.isEmpty())
        return QString();
    const QString share = QDir::cleanPath(executableDir + QStringLiteral("/../share/vexa"));
    return QFileInfo::exists(share + QStringLiteral("/TPL_VEXA.MDB")) ? share : QString();
}

QString ResolveInstallDirectory(const QString &executableDir)
{
    const QString installed = InstalledFilesDirectory(executableDir);
    return installed.isEmpty() ? executableDir : installed;
}

QString ResolveDataDirectory(const QString &executableDir)
{
    if (!executableDir.isEmpty() && InstalledFilesDirectory(executableDir).isEmpty()
        && isWritableDirectory(executableDir))
        return QDir::cleanPath(executableDir);
    QString dir = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation);
    if (dir.isEmpty())
        dir = QDir::homePath() + QStringLiteral("/.local/share/vexa");
    QDir().mkpath(dir);
    return QDir::cleanPath(dir);
}

const Environment &Env()
{
    return g_env;
}

void InitialiseEnvironment(double logicalDpiX, double logicalDpiY)
{
    if (logicalDpiX > 0)
        g_env.twipsPerPixelX = static_cast<int>(RoundHalfEven(1440.0 / logicalDpiX));
    if (logicalDpiY > 0)
        g_env.twipsPerPixelY = static_cast<int>(RoundHalfEven(1440.0 / logicalDpiY));
    g_env.isNT = true;
}

}  // namespace vexa
