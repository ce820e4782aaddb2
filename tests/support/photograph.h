#pragma once

#include <QByteArray>
#include <QImage>

namespace vexa::test {

// A photograph-like picture (320 x 240): a graded sky over darker ground
// with large shapes of many tones, different for every seed and the same on
// every run. Its turned copies are far from it the right way up, so a
// comparison that does not turn pictures tells them apart.
QImage MakePhotograph(int seed);

// The picture as a JPEG file's bytes, saved by Qt at this quality (0-100).
QByteArray JpegBytes(const QImage &picture, int quality);

// Mean difference per channel (0-255) of two pictures; 255 when their sizes
// differ.
double MeanDifference(const QImage &a, const QImage &b);

}  // namespace vexa::test
