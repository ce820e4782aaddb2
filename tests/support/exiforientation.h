#pragma once

#include <QByteArray>

namespace vexa::test {

// The JPEG with an EXIF block holding only the orientation tag (0x0112,
// values 1-8), inserted right after the start-of-image marker as a camera
// writes it.
QByteArray WithOrientationTag(const QByteArray &jpeg, int orientation);

// The JPEG with an EXIF block as a camera writes it: the orientation tag in
// the first directory (none for 0), and thumbnail (JPEG bytes, under 64 KB)
// as the second directory's embedded picture, in either byte order.
QByteArray WithExifThumbnail(
    const QByteArray &jpeg, const QByteArray &thumbnail, int orientation, bool bigEndian);

}  // namespace vexa::test
