#include "support/exiforientation.h"

namespace vexa::test {
namespace {

QByteArray littleEndian(quint32 value, int bytes)
{
    QByteArray out;
    for (int i = 0; i < bytes; ++i)
        out += char((value >> (8 * i)) & 0xFF);
    return out;
}

}  // namespace

QByteArray WithOrientationTag(const QByteArray &jpeg, int orientation)
{
    QByteArray tiff("II*\0\x08\0\0\0", 8);  // little-endian, first IFD at 8
    tiff += littleEndian(1, 2);  // one entry: orientation, SHORT, count 1
    tiff += littleEndian(0x0112, 2) + littleEndian(3, 2) + littleEndian(1, 4);
    tiff += littleEndian(quint32(orientation), 2) + littleEndian(0, 2);
    tiff += littleEndian(0, 4);  // no next IFD
    const QByteArray body = QByteArray("Exif\0\0", 6) + tiff;
    QByteArray segment("\xFF\xE1", 2);
    segment += char((body.size() + 2) >> 8);
    segment += char((body.size() + 2) & 0xFF);
    return jpeg.left(2) + segment + body + jpeg.mid(2);
}

}  // namespace vexa::test
