#include "base/diskpath.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa {

namespace {

constexpr char32_t kEscapeBase = 0xF700;  // + byte 0x80..0xFF
constexpr char32_t kEscapeFirst = 0xF780;
constexpr char32_t kEscapeLast = 0xF7FF;

bool isEscape(char32_t c)
{
    return c >= kEscapeFirst && c <= kEscapeLast;
}

void appendCodePoint(QString &out, char32_t c)
{
    if (c > 0xFFFF) {
        out.append(QChar::highSurrogate(c));
        out.append(QChar::lowSurrogate(c));
    } else {
        out.append(QChar(char16_t(c)));
    }
}

// Length of the valid UTF-8 sequence at data[i] (1..4) and its code point,
// or 0 when the bytes there are not one (overlong forms, surrogates and
// values above U+10FFFF included).
int validSequence(const unsigned char *data, qsizetype size, qsizetype i, char32_t &c)
{
    const unsigned char b0 = data[i];
    const auto continuation = [&](qsizetype at) { return at < size && (data[at] & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF && continuation(i + 1)) {
        c = (char32_t(b0 & 0x1F) << 6) | (data[i + 1] & 0x3F);
        return 2;
    }
    if (b0 >= 0xE0 && b0 <= 0xEF && continuation(i + 1) && continuation(i + 2)) {
        const unsigned char b1 = data[i + 1];
        if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 > 0x9F))
            return 0;
        c = (char32_t(b0 & 0x0F) << 12) | (char32_t(b1 & 0x3F) << 6) | (data[i + 2] & 0x3F);
        return 3;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4 && continuation(i + 1) && continuation(i + 2)
        && continuation(i + 3)) {
        const unsigned char b1 = data[i + 1];
        if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 > 0x8F))
            return 0;
        c = (char32_t(b0 & 0x07) << 18) | (char32_t(b1 & 0x3F) << 12)
            | (char32_t(data[i + 2] & 0x3F) << 6) | (data[i + 3] & 0x3F);
        return 4;
    }
    return 0;
}

void appendUtf8(QByteArray &out, char32_t c)
{
    if (c < 0x80) {
        out.append(char(c));
    } else if (c < 0x800) {
        out.append(char(0xC0 | (c >> 6)));
        out.append(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.append(char(0xE0 | (c >> 12)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    } else {
        out.append(char(0xF0 | (c >> 18)));
        out.append(char(0x80 | ((c >> 12) & 0x3F)));
        out.append(char(0x80 | ((c >> 6) & 0x3F)));
        out.append(char(0x80 | (c & 0x3F)));
    }
}

QString errnoText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

}  // namespace

QString NameFromDisk(const QByteArray &bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype size = bytes.size();
    QString out;
    out.reserve(size);
    qsizetype i = 0;
    while (i < size) {
        const unsigned char b = data[i];
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        char32_t c = 0;
        const int length = validSequence(data, size, i, c);
        if (length > 0 && !isEscape(c)) {
            appendCodePoint(out, c);
            i += length;
            continue;
        }
        // An invalid byte, or a real escape character whose bytes are
        // escaped one by one so that decoding cannot mistake it.
        const int bytesToEscape = length > 0 ? length : 1;
        for (int k = 0; k < bytesToEscape; ++k)
            out.append(QChar(char16_t(kEscapeBase + data[i + k])));
        i += bytesToEscape;
    }
    return out;
}

QByteArray NameToDisk(const QString &name)
{
    QByteArray out;
    out.reserve(name.size());
    for (qsizetype i = 0; i < name.size(); ++i) {
        char32_t c = name[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            c = QChar::surrogateToUcs4(name[i], name[i + 1]);
            ++i;
        } else if (QChar::isSurrogate(c)) {
            c = 0xFFFD;  // a lone half has no bytes of its own
        }
        if (isEscape(c))
            out.append(char(c - kEscapeBase));
        else
            appendUtf8(out, c);
    }
    return out;
}

bool HasEscapedBytes(const QString &name)
{
    for (const QChar ch : name) {
        if (isEscape(ch.unicode()))
            return true;
    }
    return false;
}

QString DisplayName(const QString &name)
{
    QString out = name;
    for (QChar &ch : out) {
        if (isEscape(ch.unicode()))
            ch = QChar(QChar::ReplacementCharacter);
    }
    return out;
}

namespace {

DiskStat statOf(const QString &path, bool lookAtLink)
{
    DiskStat result;
    struct stat st;
    const QByteArray bytes = NameToDisk(path);
    if (path.isEmpty() || stat(bytes.constData(), &st) != 0)
        return result;
    struct stat link;
    result.isSymLink = lookAtLink && lstat(bytes.constData(), &link) == 0 && S_ISLNK(link.st_mode);
    result.ownerWritable = (st.st_mode & S_IWUSR) != 0;
    result.exists = true;
    result.isFile = S_ISREG(st.st_mode);
    result.isDirectory = S_ISDIR(st.st_mode);
    result.size = st.st_size;
    result.modifiedNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    result.device = st.st_dev;
    result.inode = st.st_ino;
    return result;
}

}  // namespace

DiskStat StatOnDisk(const QString &path)
{
    return statOf(path, true);
}

DiskStat StatTargetOnDisk(const QString &path)
{
    return statOf(path, false);
}

int OpenOnDiskForReading(const QString &path)
{
    return open(NameToDisk(path).constData(), O_RDONLY | O_CLOEXEC);
}

QByteArray ReadWholeFile(const QString &path, std::int64_t maxBytes, bool *ok, QString *errorText)
{
    const auto failed = [&](const QString &text) {
        if (ok)
            *ok = false;
        if (errorText)
            *errorText = text;
        return QByteArray();
    };
    const int fd = OpenOnDiskForReading(path);
    if (fd < 0)
        return failed(errno == ENOENT ? QStringLiteral("no such file") : errnoText(errno));
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return failed(QStringLiteral("no such file"));
    }
    if (st.st_size > maxBytes) {
        close(fd);
        return failed(QStringLiteral("file larger than %1 bytes").arg(maxBytes));
    }
    QByteArray data(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = read(fd, data.data() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    close(fd);
    if (done != data.size())
        return failed(QStringLiteral("file could not be read whole"));
    if (ok)
        *ok = true;
    return data;
}

}  // namespace vexa
