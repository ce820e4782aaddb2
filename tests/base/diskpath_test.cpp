// Names that are not UTF-8: the stored form, its way back to the bytes, and
// the file operations on real such files in a temporary tree (and a trash
// under a temporary XDG_DATA_HOME).
#include "base/diskpath.h"
#include "base/filelisting.h"
#include "base/fileops.h"
#include "support/qtprinters.h"
#include "support/tempdatadir.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa {
namespace {

struct NameCase {
    const char *what;
    QByteArray bytes;
    bool escaped;  // holds bytes Qt cannot
};

const NameCase kNames[] = {
    { "plain", "plain.jpg", false },
    { "UTF-8", "\xc3\x86r\xc3\xb8 \xe6\x9d\xb1.jpg", false },
    { "four-byte UTF-8", "\xf0\x9f\x98\x80.png", false },
    { "latin-1 of an old archive", "\xff\xfe.jpg", true },
    { "lone continuation byte", "a\x80z.jpg", true },
    { "cut-off sequence at the end", "name\xc3", true },
    { "encoded surrogate", "\xed\xa0\x80.jpg", true },
    { "overlong slash", "\xc0\xaf.jpg", true },
    { "beyond U+10FFFF", "\xf4\x90\x80\x80.jpg", true },
    // A real private-use character of the escape block is itself escaped,
    // so it cannot be taken for an escaped byte.
    { "escape character in a valid name", "\xef\x9e\x80.jpg", true },
};

void writeFile(const QByteArray &path, const QByteArray &content)
{
    const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    ASSERT_EQ(write(fd, content.constData(), size_t(content.size())), content.size());
    close(fd);
}

bool existsOnDisk(const QByteArray &path)
{
    struct stat st;
    return lstat(path.constData(), &st) == 0;
}

TEST(DiskPath, EveryNameComesBackAsItsOwnBytes)
{
    for (const NameCase &name : kNames) {
        const QString stored = NameFromDisk(name.bytes);
        EXPECT_EQ(NameToDisk(stored), name.bytes) << name.what;
        EXPECT_EQ(HasEscapedBytes(stored), name.escaped) << name.what;
        EXPECT_EQ(DisplayName(stored).contains(QChar(QChar::ReplacementCharacter)), name.escaped)
            << name.what;
        if (!name.escaped) {
            EXPECT_EQ(stored, QString::fromUtf8(name.bytes)) << name.what << ": held as it reads";
        }
        // What Qt itself makes of a name that is not UTF-8 does not give
        // the bytes back.
        if (QString::fromUtf8(name.bytes).toUtf8() != name.bytes) {
            EXPECT_NE(QFile::encodeName(QFile::decodeName(name.bytes)), name.bytes) << name.what;
        }
    }
    EXPECT_EQ(DisplayName(NameFromDisk("\xff\xfe.jpg")), QStringLiteral("\uFFFD\uFFFD.jpg"));

    // Any bytes at all (no NUL, which no name holds), so the mapping is one
    // to one.
    QRandomGenerator random(16);
    for (int i = 0; i < 5000; ++i) {
        QByteArray bytes;
        const int length = 1 + int(random.bounded(12));
        for (int k = 0; k < length; ++k)
            bytes.append(char(1 + random.bounded(255)));
        ASSERT_EQ(NameToDisk(NameFromDisk(bytes)), bytes) << bytes.toHex().toStdString();
    }
}

class DiskFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_root.isValid());
        m_dir = QFile::encodeName(m_root.path()) + "/\xe9t\xe9 \xff";  // latin-1 "été"
        ASSERT_EQ(mkdir(m_dir.constData(), 0755), 0);
        m_oldDataHome = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_root.filePath(QStringLiteral("xdg"))));
    }
    void TearDown() override
    {
        test::RemoveTreeOnDisk(m_root.path());
        if (m_oldDataHome.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", m_oldDataHome);
    }
    QByteArray trash() const { return QFile::encodeName(m_root.path()) + "/xdg/Trash"; }

    QTemporaryDir m_root;
    QByteArray m_dir;  // a directory whose own name is not UTF-8
    QByteArray m_oldDataHome;
};

TEST_F(DiskFiles, ListStatReadAndRenameReachTheBytes)
{
    writeFile(m_dir + "/\xff\xfe.jpg", "12345");
    writeFile(m_dir + "/ok.jpg", "1");
    writeFile(m_dir + "/\xe9.txt", "1");
    const QString dir = NameFromDisk(m_dir);
    ASSERT_TRUE(StatOnDisk(dir).isDirectory);

    const QStringList listed = ListMatchingFiles(dir, { QStringLiteral("*.jpg") });
    ASSERT_EQ(listed.size(), 2);
    EXPECT_EQ(NameToDisk(listed[0]), QByteArray("ok.jpg"));
    EXPECT_EQ(NameToDisk(listed[1]), QByteArray("\xff\xfe.jpg"));
    const QString bad = dir + QLatin1Char('/') + listed[1];
    const DiskStat stat = StatOnDisk(bad);
    EXPECT_TRUE(stat.isFile);
    EXPECT_EQ(stat.size, 5);
    bool ok = false;
    EXPECT_EQ(ReadWholeFile(bad, 100, &ok), QByteArray("12345"));
    EXPECT_TRUE(ok);
    QString why;
    ReadWholeFile(bad, 4, &ok, &why);
    EXPECT_FALSE(ok);
    EXPECT_TRUE(why.contains(QStringLiteral("larger"))) << why.toStdString();

    // Renamed, never over another file.
    EXPECT_FALSE(ShellRename(bad, dir + QStringLiteral("/ok.jpg")));
    EXPECT_TRUE(existsOnDisk(m_dir + "/\xff\xfe.jpg"));
    const QString renamed = dir + QLatin1Char('/') + NameFromDisk("\xfe\xff.jpg");
    EXPECT_TRUE(ShellRename(bad, renamed));
    EXPECT_FALSE(existsOnDisk(m_dir + "/\xff\xfe.jpg"));
    EXPECT_TRUE(existsOnDisk(m_dir + "/\xfe\xff.jpg"));
    EXPECT_TRUE(ShellDelete(renamed, false));
    EXPECT_FALSE(existsOnDisk(m_dir + "/\xfe\xff.jpg"));
}

TEST_F(DiskFiles, TrashTakesTheFileWithItsBytesPercentEncoded)
{
    const QString dir = NameFromDisk(m_dir);
    for (int round = 1; round <= 2; ++round) {
        writeFile(m_dir + "/\xff\xfe.jpg", QByteArray::number(round));
        ASSERT_TRUE(ShellDelete(dir + QLatin1Char('/') + NameFromDisk("\xff\xfe.jpg"), true))
            << "round " << round;
        EXPECT_FALSE(existsOnDisk(m_dir + "/\xff\xfe.jpg"));
    }
    // The second file of the same name takes the next free slot.
    const QByteArray first = trash() + "/files/\xff\xfe.jpg";
    const QByteArray second = trash() + "/files/\xff\xfe.2.jpg";
    ASSERT_TRUE(existsOnDisk(first));
    ASSERT_TRUE(existsOnDisk(second));
    const int fd = open((trash() + "/info/\xff\xfe.jpg.trashinfo").constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    char buffer[1024] = {};
    const ssize_t n = read(fd, buffer, sizeof buffer - 1);
    close(fd);
    const QByteArray text(buffer, n > 0 ? n : 0);
    EXPECT_TRUE(text.startsWith("[Trash Info]\nPath="));
    EXPECT_TRUE(text.contains("Path=" + m_dir.toPercentEncoding("/") + "/%FF%FE.jpg\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains("%E9t%E9%20%FF")) << text.toStdString();
    EXPECT_TRUE(text.contains("\nDeletionDate=")) << text.toStdString();

    // Nothing of the same name to trash: the file is not there.
    EXPECT_FALSE(ShellDelete(dir + QLatin1Char('/') + NameFromDisk("\xff\xfe.jpg"), true));
}

}  // namespace
}  // namespace vexa
