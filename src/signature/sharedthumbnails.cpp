#include "signature/sharedthumbnails.h"

#include "base/diskpath.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QStandardPaths>
#include <QTemporaryFile>
#include <QThread>
#include <QThreadPool>

#include <array>

namespace vexa {

namespace {

struct CacheSize {
    const char *folder;
    int edge;  // pixels, the longer side of a thumbnail of this folder
};
constexpr CacheSize kSizes[] = { { "normal", 128 }, { "large", 256 }, { "x-large", 512 } };

// The mtime the cache speaks of: whole seconds since 1970.
QByteArray mtimeText(const DiskStat &stat)
{
    return QByteArray::number(qint64(stat.modifiedNs / 1000000000));
}

QString cacheFileName(const QByteArray &uri)
{
    return QString::fromLatin1(QCryptographicHash::hash(uri, QCryptographicHash::Md5).toHex())
        + QStringLiteral(".png");
}

QImage fitted(const QImage &picture, const QSize &box)
{
    if (picture.width() <= box.width() && picture.height() <= box.height())
        return picture;
    return picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}

// Qt's PNG text handling splits keys at ':', and every key here has "::",
// so the chunks are read and written here. A PNG is the 8-byte signature,
// then chunks: length (4 bytes, big-endian), type, data, CRC-32.
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";

quint32 crc32Of(const QByteArray &bytes)
{
    static const auto table = [] {
        std::array<quint32, 256> t {};
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xedb88320u ^ (c >> 1) : c >> 1;
            t[n] = c;
        }
        return t;
    }();
    quint32 c = 0xffffffffu;
    for (const char byte : bytes)
        c = table[(c ^ quint8(byte)) & 0xff] ^ (c >> 8);
    return c ^ 0xffffffffu;
}

void appendBigEndian(QByteArray &out, quint32 value)
{
    out.append(char(value >> 24))
        .append(char(value >> 16))
        .append(char(value >> 8))
        .append(char(value));
}

// The tEXt keys, before or after the image data (writers differ); empty
// when the bytes are no PNG.
QHash<QByteArray, QByteArray> pngTexts(const QByteArray &png)
{
    QHash<QByteArray, QByteArray> texts;
    if (!png.startsWith(QByteArray(kPngSignature, 8)))
        return texts;
    qsizetype at = 8;
    while (at + 12 <= png.size()) {
        const quint32 length = (quint32(quint8(png[at])) << 24)
            | (quint32(quint8(png[at + 1])) << 16) | (quint32(quint8(png[at + 2])) << 8)
            | quint32(quint8(png[at + 3]));
        const QByteArray type = png.mid(at + 4, 4);
        if (length > quint32(png.size() - at - 12))
            break;
        if (type == "tEXt") {
            const QByteArray data = png.mid(at + 8, length);
            const qsizetype zero = data.indexOf('\0');
            if (zero > 0)
                texts.insert(data.left(zero), data.mid(zero + 1));
        }
        at += 12 + qsizetype(length);
    }
    return texts;
}

// The PNG with tEXt chunks inserted after its header chunk.
QByteArray withTexts(const QByteArray &png, const QList<std::pair<QByteArray, QByteArray>> &texts)
{
    const qsizetype afterHeader = 8 + 12 + 13;  // signature, IHDR of 13 bytes
    QByteArray chunks;
    for (const auto &[key, value] : texts) {
        const QByteArray body = QByteArrayLiteral("tEXt") + key + '\0' + value;
        appendBigEndian(chunks, quint32(body.size() - 4));
        chunks += body;
        appendBigEndian(chunks, crc32Of(body));
    }
    return png.left(afterHeader) + chunks + png.mid(afterHeader);
}

// A trusted thumbnail of the file in one folder, or a null image.
QImage readTrusted(
    const QString &file, const QByteArray &uri, const DiskStat &stat, QSize &original)
{
    QFile in(file);
    // A thumbnail is a few tens of kilobytes; anything huge is not one.
    if (!in.open(QIODevice::ReadOnly) || in.size() > 8 * 1024 * 1024)
        return QImage();
    const QByteArray png = in.readAll();
    const QHash<QByteArray, QByteArray> texts = pngTexts(png);
    if (texts.value("Thumb::URI") != uri || texts.value("Thumb::MTime") != mtimeText(stat))
        return QImage();
    if (texts.contains("Thumb::Size") && texts.value("Thumb::Size").toLongLong() != stat.size)
        return QImage();
    original = QSize(
        texts.value("Thumb::Image::Width").toInt(), texts.value("Thumb::Image::Height").toInt());
    QImage picture;
    if (!picture.loadFromData(png, "PNG"))
        return QImage();  // a truncated or corrupt PNG
    return picture;
}

// Writes picture with the keys under dir/name: a private temporary file,
// mode 0600, renamed into place so no reader sees half a thumbnail.
void writeThumbnail(const QString &dir, const QString &name, const QImage &picture,
    const QByteArray &uri, const DiskStat &stat, const QSize &original)
{
    if (!QDir().mkpath(dir))
        return;
    QFile::setPermissions(
        dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QTemporaryFile temporary(dir + QStringLiteral("/vexa-XXXXXX.png"));
    temporary.setAutoRemove(true);
    if (!temporary.open())
        return;
    temporary.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QByteArray png;
    {
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        // Quality 90 is zlib's fastest level for Qt's PNG writer: a
        // thumbnail is small either way, and the decode waits for it.
        if (!picture.save(&buffer, "PNG", 90))
            return;
    }
    QList<std::pair<QByteArray, QByteArray>> texts { { "Thumb::URI", uri },
        { "Thumb::MTime", mtimeText(stat) }, { "Thumb::Size", QByteArray::number(stat.size) } };
    if (!original.isEmpty()) {
        texts.append(
            { QByteArrayLiteral("Thumb::Image::Width"), QByteArray::number(original.width()) });
        texts.append(
            { QByteArrayLiteral("Thumb::Image::Height"), QByteArray::number(original.height()) });
    }
    texts.append({ QByteArrayLiteral("Software"), QByteArrayLiteral("VEXA II") });
    if (temporary.write(withTexts(png, texts)) < 0 || !temporary.flush())
        return;
    const QString target = dir + QLatin1Char('/') + name;
    if (QFile::exists(target))
        QFile::remove(target);
    if (temporary.rename(target))
        temporary.setAutoRemove(false);
}

// Thumbnails are written back on one thread of idle priority, after the
// picture was handed on: writing one (a PNG encode and a file) would
// otherwise delay the tile it was made for, and a first look at a group
// would be slower than without a cache.
QThreadPool &writers()
{
    // The application waits for the writes asked for when it ends, so no
    // write outlives what it uses; the pool itself is never destroyed.
    static QThreadPool *const pool = [] {
        auto *created = new QThreadPool;
        created->setMaxThreadCount(1);
        created->setThreadPriority(QThread::IdlePriority);
        created->setExpiryTimeout(5000);
        qAddPostRoutine(WaitForSharedThumbnailWrites);
        return created;
    }();
    return *pool;
}

void writeThumbnailLater(const QString &dir, const QString &name, const QImage &picture,
    const QByteArray &uri, const DiskStat &stat, const QSize &original)
{
    writers().start([=] { writeThumbnail(dir, name, picture, uri, stat, original); });
}

}  // namespace

void WaitForSharedThumbnailWrites()
{
    writers().waitForDone();
}

QByteArray ThumbnailUri(const QString &path)
{
    // The characters a path may carry unescaped in a URI, as GLib and Qt
    // leave them, so the same file gets the same name from every program.
    return QByteArrayLiteral("file://")
        + NameToDisk(QDir::cleanPath(QDir(path).absolutePath()))
              .toPercentEncoding(QByteArrayLiteral("/!$&'()*+,;=:@"));
}

QString ThumbnailCacheDirectory()
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    return cache.isEmpty() ? QString() : cache + QStringLiteral("/thumbnails");
}

namespace {

// The smallest cached thumbnail large enough for box that the cache may be
// trusted with, fitted in box; false when there is none. *writeTo, when
// given, is the folder a new thumbnail for box belongs in (none when box is
// larger than every cached size).
bool readCached(const QString &root, const QByteArray &uri, const DiskStat &stat,
    const QString &path, const QSize &box, LoadedImage &image, const CacheSize **writeTo)
{
    const QString name = cacheFileName(uri);
    const int needed = qMax(box.width(), box.height());
    // The smallest folder whose thumbnails are large enough, then larger ones.
    if (writeTo)
        *writeTo = nullptr;
    for (const CacheSize &size : kSizes) {
        if (size.edge < needed)
            continue;
        if (writeTo && !*writeTo)
            *writeTo = &size;
        QSize original;
        const QImage cached = readTrusted(
            root + QLatin1Char('/') + QLatin1String(size.folder) + QLatin1Char('/') + name, uri,
            stat, original);
        if (cached.isNull())
            continue;
        if (original.isEmpty())
            original = QImageReader(QString::fromLocal8Bit(NameToDisk(path))).size();
        if (original.isEmpty())
            continue;  // the file's own size is unknown: decode it instead
        image = LoadedImage();
        image.ok = true;
        image.width = std::int16_t(qMin(original.width(), 32767));
        image.height = std::int16_t(qMin(original.height(), 32767));
        image.picture = fitted(cached.convertToFormat(QImage::Format_RGB32), box);
        image.format = QStringLiteral("cached thumbnail");
        return true;
    }
    return false;
}

}  // namespace

bool LoadCachedThumbnail(const QString &path, const QSize &box, LoadedImage &image)
{
    const QString root = ThumbnailCacheDirectory();
    const DiskStat stat = StatOnDisk(path);
    if (root.isEmpty() || !stat.isFile || !box.isValid() || box.isEmpty())
        return false;
    return readCached(root, ThumbnailUri(path), stat, path, box, image, nullptr);
}

bool LoadSharedThumbnail(const QString &path, const QSize &box, LoadedImage &image)
{
    const QString root = ThumbnailCacheDirectory();
    const DiskStat stat = StatOnDisk(path);
    if (root.isEmpty() || !stat.isFile || !box.isValid() || box.isEmpty())
        return LoadImageThumbnail(path, box, image);
    const QByteArray uri = ThumbnailUri(path);
    const QString name = cacheFileName(uri);
    const CacheSize *writeTo = nullptr;
    if (readCached(root, uri, stat, path, box, image, &writeTo))
        return true;
    if (!writeTo)
        return LoadImageThumbnail(path, box, image);  // larger than any cached size

    // Decoded at the folder's size, kept for every later box up to it.
    const QSize edge(writeTo->edge, writeTo->edge);
    if (!LoadImageThumbnail(path, edge, image)) {
        // Recorded for other programs' sake; we decode again next time, as
        // the file may be readable by a newer decoder.
        QImage failed(1, 1, QImage::Format_ARGB32);
        failed.fill(Qt::transparent);
        writeThumbnailLater(root
                + QStringLiteral("/fail/vexa-%1.%2.%3")
                      .arg(VEXA_VERSION_MAJOR)
                      .arg(VEXA_VERSION_MINOR)
                      .arg(VEXA_VERSION_PATCH),
            name, failed, uri, stat, QSize());
        return false;
    }
    writeThumbnailLater(root + QLatin1Char('/') + QLatin1String(writeTo->folder), name,
        image.picture, uri, stat, QSize(image.width, image.height));
    image.picture = fitted(image.picture, box);
    return true;
}

}  // namespace vexa
