#include "cli/cli.h"

#include "base/environment.h"
#include "base/singlecopy.h"
#include "db/lifecycle.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <memory>

namespace vexa::cli {

namespace {
std::unique_ptr<SingleCopyLock> g_lock;

void closeAtExit()
{
    CloseApplicationDatabase();
    g_lock.reset();
}
}  // namespace

void Out(const QString &line)
{
    std::fprintf(stdout, "%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

void Err(const QString &line)
{
    std::fprintf(stderr, "%s\n", line.toUtf8().constData());
}

bool OpenDataDirectory(const Invocation &invocation)
{
    QString dir = invocation.dataDir;
    if (dir.isEmpty()) {
        // vexa-cli is installed beside vexa, so it finds the same directory.
        dir = ResolveDataDirectory(QCoreApplication::applicationDirPath());
    }
    if (!QFileInfo(dir).isDir()) {
        Err(QStringLiteral("vexa-cli: data directory %1 does not exist").arg(dir));
        return false;
    }
    SetProgramDirectory(QDir(dir).absolutePath());
    SetInstallDirectory(QCoreApplication::applicationDirPath());
    g_lock = std::make_unique<SingleCopyLock>(ProgramDirectory());
    if (!g_lock->acquire()) {
        Err(QStringLiteral("vexa-cli: VEXA is running on %1; close it first, so the database is "
                           "not changed by two programs at once")
                .arg(ProgramDirectory()));
        g_lock.reset();
        return false;
    }
    int version = 0;
    if (!CheckDatabaseVersion(version)) {
        Err(QStringLiteral("vexa-cli: the database has version %1; start vexa once to convert it")
                .arg(version));
        return false;
    }
    if (!OpenApplicationDatabase()) {
        Err(QStringLiteral("vexa-cli: cannot open the database %1").arg(DatabasePath()));
        CloseApplicationDatabase();
        return false;
    }
    std::atexit(closeAtExit);
    return true;
}

}  // namespace vexa::cli
