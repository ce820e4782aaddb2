#include "gatherfixture.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/filelisting.h"
#include "base/log.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/selectionsql.h"
#include "db/sqlite.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa::test {

void GatherFixture::SetUp()
{
    m_data = std::make_unique<TempDataDir>();
    ASSERT_TRUE(m_images.isValid());
    ASSERT_TRUE(AddNewCollectionToDB(QStringLiteral("Photos")));
    m_collectionId = FindCollectionId(QStringLiteral("Photos"));
    ASSERT_GT(m_collectionId, 0);
}

void GatherFixture::TearDown()
{
    m_data.reset();
    RemoveTreeOnDisk(m_images.path());
}

QString GatherFixture::addDirectory(const QString &name, bool ticked)
{
    QString path = m_images.filePath(name);
    // A name that is not UTF-8 is made with its own bytes.
    if (HasEscapedBytes(name))
        mkdir(NameToDisk(path).constData(), 0755);
    else
        QDir().mkpath(path);
    const std::int64_t itemId = AddNewItemToCollection(m_collectionId, path);
    EXPECT_GT(itemId, 0) << path.toStdString();
    m_directories.append({ DirectoryKey(itemId), path, ticked });
    return path;
}

void GatherFixture::writeImage(
    const QString &path, int seed, int width, int height, const char *format)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                qRgb((x * 255 / width + seed * 37) % 256, (y * 255 / height + seed * 11) % 256,
                    (seed * 53) % 256));
    QPainter painter(&image);
    painter.fillRect(QRect((seed * 7) % width, (seed * 13) % height, width / 3, height / 3),
        QColor::fromRgb((seed * 91) % 256, 250, 250));
    painter.end();
    // Written through the disk-name module, so a test can make a file whose
    // name is not UTF-8.
    QBuffer buffer;
    ASSERT_TRUE(buffer.open(QIODevice::WriteOnly));
    ASSERT_TRUE(image.save(
        &buffer, format ? format : QFileInfo(path).suffix().toUpper().toLatin1().constData()))
        << path.toStdString();
    const int fd = open(NameToDisk(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.toStdString();
    const QByteArray &bytes = buffer.data();
    ASSERT_EQ(write(fd, bytes.constData(), size_t(bytes.size())), bytes.size());
    close(fd);
}

RunOutcome GatherFixture::gather(
    RecordingObserver &observer, int threads, DecodeFunction decode, int reportIntervalMs)
{
    GatherOptions options;
    options.collectionId = m_collectionId;
    options.directories = m_directories;
    options.threads = threads;
    options.decode = std::move(decode);
    options.reportIntervalMs = reportIntervalMs;
    GatherEngine engine(options);
    const RunResult result = engine.run(observer);
    m_last = engine.counters();
    EXPECT_EQ(observer.startedCount, 1);
    EXPECT_EQ(observer.finishedCount, 1);
    EXPECT_FALSE(observer.outOfOrder);
    EXPECT_EQ(observer.result.outcome, result.outcome);
    return result.outcome;
}

QList<QVariantList> GatherFixture::allRows()
{
    QList<QVariantList> rows;
    Statement query(
        OpenDb().connection().handle(), QStringLiteral("SELECT * FROM FileData ORDER BY ID"));
    while (query.step()) {
        QVariantList row;
        for (int c = 0; c < query.columnCount(); ++c)
            row.append(query.column(c));
        rows.append(row);
    }
    return rows;
}

QStringList GatherFixture::storedNames(std::int64_t itemId)
{
    QStringList names;
    Statement query(OpenDb().connection().handle(),
        QStringLiteral("SELECT FileName FROM FileData WHERE ?1 < 0 OR ItemID = ?1 ORDER BY ID"));
    query.bind(1, qlonglong(itemId));
    while (query.step())
        names.append(query.column(0).toString());
    return names;
}

QString GatherFixture::logText() const
{
    QFile file(QDir(ProgramDirectory()).filePath(QString::fromLatin1(kGatherLogName)));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}

}  // namespace vexa::test
