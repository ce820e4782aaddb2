#include "support/exiforientation.h"

namespace vexa::test {
namespace {

QByteArray number(quint32 value, int bytes, bool bigEndian)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i) {
        const int shift = 8 * (bigEndian ? bytes - 1 - i : i);
        out += char((value >> shift) & 0xFF);
    }
    return out;
}

// One 12-byte directory entry with a single SHORT or LONG value.
QByteArray entry(quint16 tag, quint16 type, quint32 value, bool bigEndian)
{
    QByteArray out
        = number(tag, 2, bigEndian) + number(type, 2, bigEndian) + number(1, 4, bigEndian);
    if (type == 3)
        out += number(value, 2, bigEndian) + number(0, 2, bigEndian);
    else
        out += number(value, 4, bigEndian);
    return out;
}

QByteArray withApp1(const QByteArray &jpeg, const QByteArray &tiff)
{
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + body + jpeg.mid(2);
}

}  // namespace

QByteArray WithOrientationTag(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);  // little-endian, first IFD at 8
    tiff += number(1, 2, false);  // one entry: orientation, SHORT, count 1
    tiff += entry(0x0112, 3, quint32(orientation), false);
    tiff += number(0, 4, false);  // no next IFD
    return withApp1(jpeg, tiff);
}

QByteArray WithExifThumbnail(
    const QByteArray &jpeg, const QByteArray &thumbnail, int orientation, bool bigEndian)
{
    QByteArray tiff = bigEndian ? QByteArray("MM\0*", 4) : QByteArray("II*\0", 4);
    tiff += number(8, 4, bigEndian);
    // First directory at 8: the orientation, when there is one.
    const int firstEntries = orientation > 0 ? 1 : 0;
    const quint32 second = 8 + 2 + 12 * firstEntries + 4;
    tiff += number(quint32(firstEntries), 2, bigEndian);
    if (orientation > 0)
        tiff += entry(0x0112, 3, quint32(orientation), bigEndian);
    tiff += number(second, 4, bigEndian);
    // Second directory: compression 6 (JPEG), where the thumbnail starts and
    // its length; the thumbnail follows the directory.
    const quint32 data = second + 2 + 3 * 12 + 4;
    tiff += number(3, 2, bigEndian);
    tiff += entry(0x0103, 3, 6, bigEndian);
    tiff += entry(0x0201, 4, data, bigEndian);
    tiff += entry(0x0202, 4, quint32(thumbnail.size()), bigEndian);
    tiff += number(0, 4, bigEndian);
    tiff += thumbnail;
    return withApp1(jpeg, tiff);
}

}  // namespace vexa::test
