#pragma once

#include "signature/rgbtriple.h"

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QRect>
#include <QString>

#include <array>
#include <cstdint>
#include <optional>

class QPaintDevice;

namespace vexa {

// modImageFunc: the signature of one image, measured on the sampling surface.

// One image's gathered data.
struct ImageSignature {
    QString Path;  // directory, without trailing separator
    QString FileName;  // without directory
    std::int32_t FileSize = 0;
    std::int16_t DimX = 0;
    std::int16_t DimY = 0;
    RGBTriple AvgRGB;
    QuadTriples QuadRGB;
    QByteArray Pattern;  // exactly 64 characters "0"/"1"
};

// The stored form: what SetRGBValues and MakeBitLong make of a signature.
struct PackedSignature {
    std::int32_t AvgRGB = 0;
    std::int32_t QuadRGB[4] = { 0, 0, 0, 0 };
    std::int32_t Pattern1 = 0;
    std::int32_t Pattern2 = 0;
};
PackedSignature PackSignature(const ImageSignature &signature);

// The sampling surface: 64 x 64 pixels of kSamplingBackground with the picture
// stretched (aspect ratio not kept) to 63 x 63 at (0, 0); the 64th column and
// row keep the background. Every caller samples through this function, so
// every signature is made with the same area-averaging filter.
inline constexpr int kSamplingSurfaceSide = 64;
inline constexpr int kSampledPictureSide = 63;
inline constexpr QRgb kSamplingBackground = 0xFF000000;  // opaque black
QImage MakeSamplingSurface(const QImage &picture);

// Area-averaging resample of picture to size, transparent parts composed
// over background. Each output pixel is the mean of the source area it
// covers (fractional edge pixels weighted by their coverage), rounded half to
// even; deterministic on every machine.
QImage AreaAverageScaled(const QImage &picture, const QSize &size, QRgb background);

// The pixel at (x, y) as a packed colour R | G << 8 | B << 16.
std::int32_t SurfacePixel(const QImage &surface, int x, int y);

RGBTriple PixelToRGB(std::int32_t pixel);

// The measuring steps. Each reports its own failure ("modImageFunc", its
// name) and leaves; GatherImageData returns false only when its own
// statements fail (for example a surface smaller than 64 x 64), and then its
// caller stores nothing. Called on the interface thread: reports show a
// message box. Worker threads use ComputeSignature instead.
bool GatherImageData(
    const QImage &surface, RGBTriple &avgRGB, QuadTriples &quadRGB, QByteArray &pattern);
void GetBitMapPattern(RGBTriple &result, const QImage &surface, std::int16_t x0, std::int16_t y0);
void GetQuadRGB(RGBTriple &result, const BlockTriples &blocks, std::int16_t qx, std::int16_t qy);
void GetAvgRGB(RGBTriple &result, const QuadTriples &quads);
QByteArray BuildBitmapPattern(const BlockTriples &blocks);

// Where a picture of pictureSize goes in a box of boxSize when it is fitted
// with its aspect ratio kept and centred; every value rounded half to even.
QRect FittedRectangle(const QSizeF &pictureSize, const QSizeF &boxSize);

// Clears box to background and paints picture fitted into it (smooth
// scaling). Display only: a null picture or device just leaves the box clear.
void PaintPictureFitted(
    const QImage &picture, QPaintDevice &box, const QColor &background = Qt::white);

// Load (reduced decode), stretch, sample and pack one file. Safe on worker
// threads once InitialiseImageLoader() has run; reports nothing, touches no
// database. On failure returns nothing and sets *reason.
struct ComputedSignature {
    ImageSignature signature;
    PackedSignature packed;
};
std::optional<ComputedSignature> ComputeSignature(const QString &path, QString *reason = nullptr);

// The same for a picture already decoded (full or reduced): the measuring
// part only. width and height are the file's dimensions.
ComputedSignature SignatureOfPicture(
    const QImage &picture, std::int16_t width, std::int16_t height);

}  // namespace vexa
