#pragma once

#include <QByteArray>

namespace vexa::test {

// The JPEG with an EXIF block holding only the orientation tag (0x0112,
// values 1-8), inserted right after the start-of-image marker as a camera
// writes it.
QByteArray WithOrientationTag(const QByteArray &jpeg, int orientation);

}  // namespace vexa::test
