// vexa-cli gather COLLECTION [--threads N] [--dir PATH]...
// The gathering run of the window on the same database: every directory of
// the collection is ticked unless --dir narrows the run.
#include "base/environment.h"
#include "base/filelisting.h"
#include "base/log.h"
#include "base/paths.h"
#include "cli/cli.h"
#include "cli/commands.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/recordset.h"
#include "db/selectionsql.h"
#include "gather/gatherengine.h"
#include "gather/progresstexts.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include <atomic>
#include <csignal>
#include <cstdio>

#include <unistd.h>

namespace vexa::cli {

namespace {

const char kUsage[]
    = "usage: vexa-cli [--data DIR] gather COLLECTION [--threads N] [--dir PATH]...";

std::atomic<bool> g_interrupted { false };

extern "C" void onGatherInterrupt(int)
{
    g_interrupted = true;
}

QString normalised(const QString &path)
{
    QString clean = QDir::cleanPath(QDir(path).absolutePath());
    StripTrailingBackslash(clean);
    return clean;
}

// Ctrl-C is the Cancel button. A progress line on standard error, rewritten
// in place at most a few times a second, when that is a terminal.
class CliGatherObserver : public GatherObserver {
public:
    explicit CliGatherObserver(bool terminal)
        : m_terminal(terminal)
    {
        m_shown.start();
    }
    ~CliGatherObserver() override { finish(); }

    bool isCancelled() const override { return g_interrupted.load(); }
    void counters(std::int32_t position, std::int32_t fileCount, std::int32_t processed,
        std::int32_t total) override
    {
        if (!m_terminal || m_shown.elapsed() < 200)
            return;
        m_shown.restart();
        const QByteArray line = QStringLiteral("\r%1 of %2 files, %3 errors ")
                                    .arg(processed)
                                    .arg(total)
                                    .arg(m_errors)
                                    .toUtf8();
        std::fputs(line.constData(), stderr);
        std::fflush(stderr);
        m_lineShown = true;
    }
    void errorCount(std::int32_t errors) override { m_errors = errors; }
    void sampleFailed(const QString &path, const QString &reason) override
    {
        finish();
        Err(QStringLiteral("vexa-cli: could not sample %1: %2").arg(path, reason));
    }
    void finish()
    {
        if (m_lineShown) {
            std::fputs("\n", stderr);
            m_lineShown = false;
        }
    }

private:
    bool m_terminal;
    bool m_lineShown = false;
    std::int32_t m_errors = 0;
    QElapsedTimer m_shown;
};

}  // namespace

int RunGather(const Invocation &invocation)
{
    QStringList args = invocation.args;
    if (args.isEmpty() || args.first().startsWith(QStringLiteral("--"))) {
        Err(QString::fromLatin1(kUsage));
        return ExitUsage;
    }
    const QString name = args.takeFirst();
    int threads = 0;
    QStringList dirs;
    while (!args.isEmpty()) {
        const QString option = args.takeFirst();
        if (option == QStringLiteral("--threads") && !args.isEmpty()) {
            bool ok = false;
            threads = args.takeFirst().toInt(&ok);
            if (!ok || threads < 0 || threads > 256) {
                Err(QString::fromLatin1(kUsage));
                return ExitUsage;
            }
        } else if (option == QStringLiteral("--dir") && !args.isEmpty()) {
            dirs.append(normalised(args.takeFirst()));
        } else {
            Err(QString::fromLatin1(kUsage));
            return ExitUsage;
        }
    }
    if (!OpenDataDirectory(invocation))
        return ExitFailure;

    try {
        const std::int32_t collectionId = FindCollectionId(name);
        if (collectionId <= 0) {
            Err(QStringLiteral("vexa-cli: there is no collection \"%1\"").arg(name));
            return ExitFailure;
        }
        QList<GatherDirectory> directories;
        QStringList unmatched = dirs;
        for (RecordSet list(*AppDb().db, DirectoryListSql(collectionId)); !list.eof();
             list.moveNext()) {
            const std::int64_t itemId = list.value(QStringLiteral("ItemID")).toLongLong();
            const QString path = list.value(QStringLiteral("Path")).toString();
            const bool ticked = dirs.isEmpty() || dirs.contains(path);
            unmatched.removeAll(path);
            directories.append({ DirectoryKey(itemId), path, ticked });
        }
        if (!unmatched.isEmpty()) {
            Err(QStringLiteral("vexa-cli: %1 is not a directory of this collection")
                    .arg(unmatched.first()));
            return ExitFailure;
        }
        if (directories.isEmpty()) {
            Err(QStringLiteral("vexa-cli: the collection \"%1\" has no directories").arg(name));
            return ExitFailure;
        }

        // The total over the ticked directories that exist, as the window
        // counts it before a run.
        GatherOptions options;
        options.collectionId = collectionId;
        options.threads = threads;
        const QStringList pieces = SplitFilePattern(QString::fromLatin1(kImageFilePattern));
        for (const GatherDirectory &d : directories) {
            if (d.ticked && QFileInfo(d.path).isDir())
                options.totalImages += std::int32_t(ListMatchingFiles(d.path, pieces).size());
        }

        CliGatherObserver observer(isatty(STDERR_FILENO) != 0);
        GatherEngine engine(observer, options);
        QElapsedTimer wall;
        wall.start();
        std::signal(SIGINT, onGatherInterrupt);
        const RunOutcome outcome = engine.run(directories);
        std::signal(SIGINT, SIG_DFL);
        observer.finish();
        const GatherCounters &c = engine.counters();
        if (outcome == RunOutcome::Failed) {
            if (engine.errorNumber() != 0)
                Err(QStringLiteral("vexa-cli: gathering failed: %1 - %2")
                        .arg(engine.errorNumber())
                        .arg(engine.errorDescription()));
            else
                Err(QStringLiteral("vexa-cli: gathering failed: %1")
                        .arg(engine.errorDescription()));
            Out(QStringLiteral(
                "processed %1, skipped %2, stored %3, errors %4, elapsed %5 (stopped)")
                    .arg(c.processed)
                    .arg(c.skipped)
                    .arg(c.stored)
                    .arg(c.errors)
                    .arg(ElapsedText(wall.elapsed())));
            return ExitFailure;
        }
        Out(QStringLiteral("processed %1, skipped %2, stored %3, errors %4, elapsed %5%6")
                .arg(c.processed)
                .arg(c.skipped)
                .arg(c.stored)
                .arg(c.errors)
                .arg(ElapsedText(wall.elapsed()))
                .arg(
                    outcome == RunOutcome::Cancelled ? QStringLiteral(" (cancelled)") : QString()));
        if (c.errors > 0)
            Out(QStringLiteral("log: ")
                + JoinPath(ProgramDirectory(), QString::fromLatin1(kGatherLogName)));
        return ExitOk;
    } catch (const std::exception &e) {
        Err(QStringLiteral("vexa-cli: ") + QString::fromLocal8Bit(e.what()));
        return ExitFailure;
    }
}

}  // namespace vexa::cli
