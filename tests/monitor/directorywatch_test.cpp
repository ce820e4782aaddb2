// The monitor's view of a directory, polled directly: files there at the
// start are not new; a new file is handed out once, when two looks agree; a
// file still growing and an empty placeholder wait; one written to again
// soon after it was handed out is handed out again; a removed directory
// keeps its snapshot, so names that come back are not checked again; and
// dropped paths expand a directory to its image files without descending.
#include "monitor/directorywatch.h"
#include "support/qtprinters.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

class DirectoryWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_dir = m_root.filePath(QStringLiteral("downloads"));
        ASSERT_TRUE(QDir().mkpath(m_dir));
    }

    QString path(const QString &name) const { return m_dir + QLatin1Char('/') + name; }

    static void write(const QString &file, const QByteArray &bytes, bool append = false)
    {
        QFile f(file);
        ASSERT_TRUE(f.open(append ? QIODevice::Append : QIODevice::WriteOnly)) << qPrintable(file);
        f.write(bytes);
    }

    QTemporaryDir m_root;
    QString m_dir;
};

TEST_F(DirectoryWatchTest, NewFilesAreHandedOutOnceWhenTheyHaveSettled)
{
    write(path(QStringLiteral("there.jpg")), "x");
    write(path(QStringLiteral("notes.txt")), "x");
    DirectoryWatch watch;
    ASSERT_TRUE(watch.start(m_dir + QStringLiteral("/")));
    EXPECT_EQ(watch.directory(), m_dir) << "trailing separators removed";
    EXPECT_EQ(watch.snapshot(), QStringList { QStringLiteral("there.jpg") });
    EXPECT_TRUE(watch.poll().isEmpty()) << "files there at the start are not new";

    write(path(QStringLiteral("new.jpg")), "abc");
    write(path(QStringLiteral(".hidden.jpg")), "abc");
    write(path(QStringLiteral("new.txt")), "abc");
    EXPECT_TRUE(watch.poll().isEmpty()) << "first look";
    EXPECT_TRUE(watch.hasWork())
        << "a settling file is looked at on the next tick, notified or not";
    EXPECT_EQ(watch.poll(), QStringList { path(QStringLiteral("new.jpg")) });
    EXPECT_TRUE(watch.snapshot().contains(QStringLiteral("new.jpg")));
    EXPECT_TRUE(watch.poll().isEmpty()) << "handed out once";

    // Still being written: every look differs, so it waits.
    write(path(QStringLiteral("slow.png")), "12345");
    EXPECT_TRUE(watch.poll().isEmpty());
    write(path(QStringLiteral("slow.png")), "67890", true);
    EXPECT_TRUE(watch.poll().isEmpty()) << "it grew since the last look";
    EXPECT_FALSE(watch.snapshot().contains(QStringLiteral("slow.png")));
    EXPECT_EQ(watch.poll(), QStringList { path(QStringLiteral("slow.png")) });

    // A writer that paused for longer than a tick: handed out too early, it
    // is handed out again once its last part has settled.
    write(path(QStringLiteral("paused.jpg")), "first half");
    EXPECT_TRUE(watch.poll().isEmpty());
    EXPECT_EQ(watch.poll(), QStringList { path(QStringLiteral("paused.jpg")) });
    EXPECT_FALSE(watch.hasWork()) << "nothing changed since";
    write(path(QStringLiteral("paused.jpg")), " and the second half", true);
    EXPECT_TRUE(watch.hasWork()) << "a late write to a file handed out is noticed unnotified";
    EXPECT_TRUE(watch.poll().isEmpty());
    EXPECT_FALSE(watch.snapshot().contains(QStringLiteral("paused.jpg")));
    EXPECT_EQ(watch.poll(), QStringList { path(QStringLiteral("paused.jpg")) });
    EXPECT_TRUE(watch.poll().isEmpty()) << "and then only once";

    // A browser's empty placeholder, replaced by the finished download.
    write(path(QStringLiteral("photo.jpg")), QByteArray());
    EXPECT_TRUE(watch.poll().isEmpty());
    EXPECT_TRUE(watch.poll().isEmpty()) << "an empty file waits for content";
    write(path(QStringLiteral("photo.jpg.part")), "complete picture");
    ASSERT_TRUE(::rename(QFile::encodeName(path(QStringLiteral("photo.jpg.part"))).constData(),
                    QFile::encodeName(path(QStringLiteral("photo.jpg"))).constData())
        == 0);
    EXPECT_TRUE(watch.poll().isEmpty());
    EXPECT_EQ(watch.poll(), QStringList { path(QStringLiteral("photo.jpg")) });

    // Deleted names leave the snapshot.
    ASSERT_TRUE(QFile::remove(path(QStringLiteral("new.jpg"))));
    EXPECT_TRUE(watch.poll().isEmpty());
    EXPECT_FALSE(watch.snapshot().contains(QStringLiteral("new.jpg")));
}

TEST_F(DirectoryWatchTest, ARemovedDirectoryKeepsItsSnapshotAndIsWatchedAgain)
{
    write(path(QStringLiteral("a.jpg")), "a");
    DirectoryWatch watch;
    ASSERT_TRUE(watch.start(m_dir));
    ASSERT_TRUE(QDir(m_dir).removeRecursively());
    // The watcher hears of the removal through the event loop.
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(watch.poll().isEmpty());
    EXPECT_EQ(watch.snapshot(), QStringList { QStringLiteral("a.jpg") });
    EXPECT_TRUE(watch.hasWork()) << "looked for on every tick while it is gone";

    ASSERT_TRUE(QDir().mkpath(m_dir));
    write(path(QStringLiteral("a.jpg")), "a again");
    write(path(QStringLiteral("b.jpg")), "b");
    EXPECT_TRUE(watch.poll().isEmpty());
    EXPECT_EQ(watch.poll(), QStringList { path(QStringLiteral("b.jpg")) })
        << "a name that comes back is not checked again";

    watch.stop();
    EXPECT_FALSE(watch.isWatching());
    EXPECT_FALSE(watch.start(m_root.filePath(QStringLiteral("missing"))));
}

TEST(ImageFilesOfTest, ADirectoryGivesItsImageFilesWithoutDescending)
{
    QTemporaryDir root;
    QDir dir(root.path());
    ASSERT_TRUE(dir.mkpath(QStringLiteral("drop/inner")));
    for (const char *name :
        { "drop/b.png", "drop/a.jpg", "drop/readme.txt", "drop/inner/c.jpg", "loose.gif" }) {
        QFile f(dir.filePath(QLatin1String(name)));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    const QStringList files = ImageFilesOf({ dir.filePath(QStringLiteral("loose.gif")),
        dir.filePath(QStringLiteral("drop/")), dir.filePath(QStringLiteral("drop/readme.txt")) });
    // The pattern list's order within the directory (*.jpg before *.png);
    // a file given by name stays, image or not: loading sorts it out.
    EXPECT_EQ(files,
        QStringList({ dir.filePath(QStringLiteral("loose.gif")),
            dir.filePath(QStringLiteral("drop/a.jpg")), dir.filePath(QStringLiteral("drop/b.png")),
            dir.filePath(QStringLiteral("drop/readme.txt")) }));
}

}  // namespace
