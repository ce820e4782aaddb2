#pragma once

#include <QImage>

#include <array>
#include <cstdint>

namespace vexa {

// The perceptual signature: 64 bits that describe the coarse shape of the
// picture's brightness, so that copies which differ in size, encoding,
// format, colour, brightness or contrast keep (nearly) the same bits.
//
// Made from a 32 x 32 greyscale area average of the picture (stretched, the
// aspect ratio not kept, as the other signatures are) by a two-dimensional
// DCT in exact integer arithmetic. Each bit is the sign (1: positive) of one
// low-frequency coefficient C(u, v), u horizontal and v vertical frequency:
// bit 8 * v + u for u, v in 0..7, except bit 0, which holds C(8, 8) in place
// of the constant term. A sign does not change when brightness or contrast
// change linearly, and a rotation or mirror image of the picture only
// permutes and negates coefficients, so the signature of every orientation
// follows from one signature (PerceptualOriented).
using PerceptualHash = std::uint64_t;

inline constexpr int kPerceptualSide = 32;  // pixels of the greyscale reduction

// Any picture (the decoded one, full or reduced); transparent parts are
// composed over black. A null picture gives 0.
PerceptualHash PerceptualHashOfPicture(const QImage &picture);

// The eight orientations of a picture, in the order of the EXIF orientation
// tag 1-8 minus one: what the picture becomes when shown with that tag.
enum class Orientation : int {
    Upright = 0,
    Mirrored = 1,  // left and right exchanged
    Rotated180 = 2,
    Flipped = 3,  // top and bottom exchanged
    Transposed = 4,  // mirrored along the main diagonal
    RotatedRight = 5,  // a quarter turn clockwise
    Transversed = 6,  // mirrored along the other diagonal
    RotatedLeft = 7,  // a quarter turn anticlockwise
};
inline constexpr int kOrientationCount = 8;

// The signature of the picture turned to orientation, from the signature of
// the picture itself: equal to PerceptualHashOfPicture of the turned picture
// except where a coefficient is exactly 0 (its bit is 0 either way).
PerceptualHash PerceptualOriented(PerceptualHash hash, Orientation orientation);
std::array<PerceptualHash, kOrientationCount> PerceptualOrientations(PerceptualHash hash);

// Differing bits, 0..64.
int PerceptualDistance(PerceptualHash a, PerceptualHash b);
// The smallest PerceptualDistance of a to any orientation of b; symmetric.
int PerceptualDistanceAnyOrientation(PerceptualHash a, PerceptualHash b);

// Tolerance level 0..12 (clamped) to the largest distance that matches; a
// larger level never loses a match.
int PerceptualBitTolerance(int tolerance);
inline constexpr int kPerceptualDefaultTolerance = 6;

}  // namespace vexa
