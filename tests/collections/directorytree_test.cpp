// The tree walk on real directories: breadth-first order, link loops walked
// once, unreadable directories counted, and a wide tree.
#include "collections/directorytree.h"

#include "support/qtprinters.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

using namespace vexa;

namespace {

QString make(const QTemporaryDir &root, const QString &relative)
{
    const QString path = root.filePath(relative);
    EXPECT_TRUE(QDir().mkpath(path)) << path.toStdString();
    return path;
}

}  // namespace

TEST(DirectoryTree, BreadthFirstWithoutHidden)
{
    QTemporaryDir root;
    make(root, "a/deep");
    make(root, "b");
    make(root, ".cache/x");
    const DirectoryTree tree = WalkDirectoryTrees({ root.path() + "/" });
    const QStringList expected { root.path(), root.filePath("a"), root.filePath("b"),
        root.filePath("a/deep") };
    EXPECT_EQ(tree.directories, expected);
    EXPECT_EQ(tree.unreadable, 0);
}

TEST(DirectoryTree, LinkBackToAncestorWalkedOnce)
{
    QTemporaryDir root;
    make(root, "a/b");
    ASSERT_TRUE(QFile::link(root.filePath("a"), root.filePath("a/b/up")));
    ASSERT_TRUE(QFile::link(root.filePath("a/b"), root.filePath("sideways")));
    const DirectoryTree tree = WalkDirectoryTrees({ root.path(), root.filePath("a") });
    // Breadth-first, so the link beside "a" is met before "a/b" itself.
    const QStringList expected { root.path(), root.filePath("a"), root.filePath("sideways") };
    EXPECT_EQ(tree.directories, expected);
}

TEST(DirectoryTree, LinksOutOfTheRootAreNotFollowed)
{
    QTemporaryDir place;
    const QString root = make(place, "root");
    make(place, "root/inside/deeper");
    make(place, "elsewhere/photos");
    ASSERT_TRUE(QFile::link(QStringLiteral("/"), root + "/to-the-top"));
    ASSERT_TRUE(QFile::link(place.filePath("elsewhere"), root + "/to-a-sibling"));
    ASSERT_TRUE(QFile::link(root + "/inside/deeper", root + "/shortcut"));
    const DirectoryTree tree = WalkDirectoryTrees({ root });
    // The link inside the tree is followed (and its target walked once).
    const QStringList expected { root, root + "/inside", root + "/shortcut" };
    EXPECT_EQ(tree.directories, expected);
    // A root chosen through a link is walked as the tree it leads to.
    ASSERT_TRUE(QFile::link(root, place.filePath("root-link")));
    EXPECT_EQ(WalkDirectoryTrees({ place.filePath("root-link") }).directories.size(), 3);
}

TEST(DirectoryTree, UnreadableDirectoryPassedOverAndCounted)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "root reads every directory, so none can be made unreadable";
    QTemporaryDir root;
    make(root, "open/inner");
    const QString closed = make(root, "closed/hidden-from-walk");
    QFile::setPermissions(root.filePath("closed"), QFileDevice::Permissions());
    const DirectoryTree tree = WalkDirectoryTrees({ root.path() });
    QFile::setPermissions(root.filePath("closed"),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(tree.unreadable, 1);
    EXPECT_TRUE(tree.directories.contains(root.filePath("open/inner")));
    EXPECT_FALSE(tree.directories.contains(root.filePath("closed")));
}

TEST(DirectoryTree, MissingRootCountedAsUnreadable)
{
    QTemporaryDir root;
    const DirectoryTree tree = WalkDirectoryTrees({ root.filePath("gone"), root.path() });
    EXPECT_EQ(tree.unreadable, 1);
    EXPECT_EQ(tree.directories, QStringList { root.path() });
}

TEST(DirectoryTree, WideTreeReportsProgressAndCanStop)
{
    QTemporaryDir root;
    for (int i = 0; i < 1000; ++i)
        QDir(root.path()).mkdir(QStringLiteral("d%1").arg(i, 4, 10, QLatin1Char('0')));
    int calls = 0;
    const DirectoryTree all
        = WalkDirectoryTrees({ root.path() }, [&calls](int) { return ++calls, true; });
    EXPECT_EQ(all.directories.size(), 1001);
    EXPECT_EQ(calls, 1001 / kTreeWalkStep);
    const DirectoryTree stopped = WalkDirectoryTrees({ root.path() }, [](int) { return false; });
    EXPECT_TRUE(stopped.cancelled);
    EXPECT_EQ(stopped.directories.size(), kTreeWalkStep);
}

TEST(DirectoryTree, HoldsImagesIgnoresCaseAndHiddenFiles)
{
    QTemporaryDir root;
    const QString upper = make(root, "upper");
    const QString hidden = make(root, "hidden");
    QFile(upper + "/PHOTO.JPG").open(QIODevice::WriteOnly);
    QFile(hidden + "/.photo.jpg").open(QIODevice::WriteOnly);
    EXPECT_TRUE(DirectoryHoldsImages(upper));
    EXPECT_FALSE(DirectoryHoldsImages(hidden));
}
