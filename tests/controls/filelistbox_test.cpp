// The file list box over a real temporary directory: patterns, attributes,
// letter case, PathChanged and listing once per path.
#include "base/diskpath.h"
#include "base/filelisting.h"
#include "controls/filelistbox.h"

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QSignalSpy>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

using namespace vexa;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write("x");
}

QStringList listed(const FileListBox &box)
{
    QStringList names;
    for (int i = 0; i < box.ListCount(); ++i)
        names.append(box.List(i));
    return names;
}

class FileListBoxTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        touch(m_dir.filePath("a.jpg"));
        touch(m_dir.filePath("B.JPG"));
        touch(m_dir.filePath("c.png"));
        touch(m_dir.filePath(".hidden.jpg"));
        touch(m_dir.filePath("locked.jpg"));
        touch(m_dir.filePath("notes.txt"));
        QDir(m_dir.path()).mkdir("sub.jpg");  // a directory is never listed as a file
        QFile::setPermissions(m_dir.filePath("locked.jpg"), QFile::ReadOwner | QFile::ReadUser);
    }
    QTemporaryDir m_dir;
};

}  // namespace

TEST(FilePatternSplit, Table)
{
    struct Row {
        const char *name;
        QString pattern;
        QStringList pieces;
    };
    QString tooMany;
    for (int i = 0; i < 82; ++i)
        tooMany += QStringLiteral("*.%1;").arg(i);
    const Row rows[] = {
        { "twins", " *.jpg ; *.jpg;*.JPG", { "*.jpg", "*.JPG" } },
        { "separators only", " ; ;; ", { "*.*" } },
        { "empty", "", { "*.*" } },
        { "four-letter extension", "*.jpeg;*.tiff", { "*.jpe", "*.tif" } },
        { "no dot", "readme", { "readme" } },
        { "no final separator", "*.gif", { "*.gif" } },
        { "82 pieces", tooMany, { "*.*" } },
    };
    for (const Row &row : rows)
        EXPECT_EQ(SplitFilePattern(row.pattern), row.pieces) << row.name;
}

TEST(FilePatternSplit, EightyOnePiecesAreKept)
{
    QString pattern;
    for (int i = 0; i < 81; ++i)
        pattern += QStringLiteral("*.%1;").arg(i);
    EXPECT_EQ(SplitFilePattern(pattern).size(), 81);
}

TEST(FileListBoxDefaults, PropertiesAndMask)
{
    FileListBox box;
    EXPECT_EQ(box.Pattern(), "*.*");
    EXPECT_TRUE(box.Archive() && box.Compressed() && box.Hidden() && box.System() && box.Normal()
        && box.ReadOnly());
    EXPECT_EQ(box.AttributeMask(), 32768 + 1 + 32 + 4 + 2);
    EXPECT_EQ(box.BackStyle(), 1);
    EXPECT_EQ(box.BorderStyle(), 0);
    EXPECT_TRUE(box.CausesValidation());
    EXPECT_EQ(box.ListIndex(), -1);
    EXPECT_EQ(box.ToolTipText(), "");
    EXPECT_EQ(box.WhatsThisHelpID(), 0);
    EXPECT_EQ(box.ListCount(), 0);
    box.SetHidden(false);
    box.SetNormal(false);
    EXPECT_EQ(box.AttributeMask(), 1 + 32 + 4);
}

TEST_F(FileListBoxTest, AttributesAndLetterCase)
{
    struct Row {
        const char *name;
        bool hidden, readOnly, normal;
        QStringList expected;
    };
    const Row rows[] = {
        { "all flags", true, true, true,
            { ".hidden.jpg", "B.JPG", "a.jpg", "locked.jpg", "c.png" } },
        { "no hidden", false, true, true, { "B.JPG", "a.jpg", "locked.jpg", "c.png" } },
        { "no hidden, no read-only, not exclusive", false, false, false,
            { "B.JPG", "a.jpg", "c.png" } },
        { "exclusive without read-only still lists archive files", false, false, true,
            { "B.JPG", "a.jpg", "locked.jpg", "c.png" } },
    };
    for (const Row &row : rows) {
        FileListBox box;
        box.SetHidden(row.hidden);
        box.SetReadOnly(row.readOnly);
        box.SetNormal(row.normal);
        box.SetPattern("*.jpg;*.png");
        box.SetPath(m_dir.path());
        EXPECT_EQ(listed(box), row.expected) << row.name;
    }
}

TEST_F(FileListBoxTest, PathChangedOnEveryAssignmentListedOnce)
{
    FileListBox box;
    box.SetPattern("*.txt");
    QSignalSpy changed(&box, &FileListBox::PathChanged);
    const int before = box.listingCount();
    box.SetPath(m_dir.path() + "//");
    EXPECT_EQ(box.Path(), m_dir.path());
    box.SetPath(m_dir.path());
    box.SetPath(m_dir.path() + "/");
    EXPECT_EQ(changed.count(), 3);
    EXPECT_EQ(box.listingCount() - before, 1);
    EXPECT_EQ(listed(box), QStringList { "notes.txt" });
    EXPECT_TRUE(box.changedProperties().contains("Path"));

    // A new file shows only after Refresh or a pattern change.
    touch(m_dir.filePath("more.txt"));
    box.SetPath(m_dir.path());
    EXPECT_EQ(box.ListCount(), 1);
    box.Refresh();
    EXPECT_EQ(listed(box), (QStringList { "more.txt", "notes.txt" }));
    box.SetPattern(";;");
    EXPECT_EQ(box.Pattern(), "*.*");
    EXPECT_EQ(box.ListCount(), 7) << listed(box).join(",").toStdString();
}

TEST_F(FileListBoxTest, NameListedOnceAcrossPiecesAndModifyListItem)
{
    FileListBox box;
    box.SetPattern("a*;*.jpg");
    box.SetHidden(false);
    box.SetPath(m_dir.path());
    const QStringList names = listed(box);
    EXPECT_EQ(names.count("a.jpg"), 1);
    EXPECT_EQ(names.first(), "a.jpg");
    box.ModifyListItem(1, 0, "added");
    EXPECT_EQ(box.List(0), "added");
    box.ModifyListItem(2, 0, QString());
    EXPECT_EQ(box.List(0), "a.jpg");
    const int count = box.ListCount();
    box.ModifyListItem(3, 0, "ignored");
    EXPECT_EQ(box.ListCount(), count);
}

TEST_F(FileListBoxTest, MissingDirectoryListsNothing)
{
    FileListBox box;
    box.SetPath(m_dir.filePath("gone"));
    EXPECT_EQ(box.ListCount(), 0);
    EXPECT_FALSE(box.lastListingRead());
}

TEST_F(FileListBoxTest, NameThatIsNotUtf8IsListedAndShownWithAReplacement)
{
    const QByteArray bytes = QFile::encodeName(m_dir.path()) + "/\xff\xfe.jpg";
    const int fd = open(bytes.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    close(fd);
    FileListBox box;
    box.SetPattern("*.jpg");
    box.SetPath(m_dir.path());
    const QStringList names = listed(box);
    const QString stored = NameFromDisk("\xff\xfe.jpg");
    ASSERT_TRUE(names.contains(stored)) << names.join(",").toStdString();
    const QListWidget *list = box.findChild<QListWidget *>();
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->item(int(names.indexOf(stored)))->text(), QStringLiteral("\uFFFD\uFFFD.jpg"));
    ::unlink(bytes.constData());
}

TEST(FileListBoxStore, RoundTripAndDefaults)
{
    FileListBox box;
    box.SetPattern("*.gif");
    box.SetHidden(false);
    box.SetBorderStyle(1);
    box.SetToolTipText("tip");
    const QVariantMap store = box.SaveProperties();
    FileListBox other;
    other.RestoreProperties(store);
    EXPECT_EQ(other.Pattern(), "*.gif");
    EXPECT_FALSE(other.Hidden());
    EXPECT_EQ(other.BorderStyle(), 1);
    EXPECT_EQ(other.ToolTipText(), "tip");
    FileListBox empty;
    empty.RestoreProperties({});
    EXPECT_EQ(empty.Pattern(), "*.*");
    EXPECT_TRUE(empty.Hidden());
    EXPECT_EQ(empty.BackStyle(), 1);
}
