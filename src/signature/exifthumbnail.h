#pragma once

#include <QByteArrayView>

namespace vexa {

// The small JPEG a camera stores inside its EXIF block (the second image
// directory's JPEGInterchangeFormat and JPEGInterchangeFormatLength tags),
// as a view into exif, which is the APP1 segment's data from "Exif\0\0" on.
// Empty when there is none, or when any offset or length points outside the
// block: the block comes from the file as it is, damaged or hostile.
QByteArrayView ExifThumbnail(QByteArrayView exif);

}  // namespace vexa
