#include "signature/imagefunc.h"

#include "base/errors.h"
#include "base/rounding.h"
#include "signature/imageloader.h"
#include "signature/signaturelib.h"

#include <QFileInfo>
#include <QPaintDevice>
#include <QPainter>

#include <limits>

namespace vexa {

namespace {

const QString kModule = QStringLiteral("modImageFunc");

// The measuring steps without reports; they throw VexaError. The reporting
// procedures below and ComputeSignature (worker threads) share them.
void requireSurface(const QImage &surface)
{
    if (surface.width() < kSamplingSurfaceSide || surface.height() < kSamplingSurfaceSide)
        throw VexaError(
            ErrInvalidProcedureCall, QStringLiteral("Invalid procedure call or argument"));
}

std::int32_t average(std::int64_t sum, std::int64_t count)
{
    return std::int32_t(DivRoundHalfEven(sum, count));
}

RGBTriple blockAverage(const QImage &surface, int x0, int y0)
{
    requireSurface(surface);
    if (x0 < 0 || y0 < 0 || x0 + 8 > surface.width() || y0 + 8 > surface.height())
        throw VexaError(ErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    std::int64_t red = 0, green = 0, blue = 0;
    for (int x = x0; x < x0 + 8; ++x) {
        for (int y = y0; y < y0 + 8; ++y) {
            const RGBTriple p = PixelToRGB(SurfacePixel(surface, x, y));
            red += p.Red;
            green += p.Green;
            blue += p.Blue;
        }
    }
    return { average(red, 64), average(green, 64), average(blue, 64) };
}

RGBTriple quadAverage(const BlockTriples &blocks, int qx, int qy)
{
    if (qx < 0 || qy < 0 || qx + 4 > 8 || qy + 4 > 8)
        throw VexaError(ErrSubscriptOutOfRange, QStringLiteral("Subscript out of range"));
    std::int64_t red = 0, green = 0, blue = 0;
    for (int column = qx; column < qx + 4; ++column) {
        for (int row = qy; row < qy + 4; ++row) {
            const RGBTriple &b = blocks[size_t(8 * column + row)];
            red += b.Red;
            green += b.Green;
            blue += b.Blue;
        }
    }
    return { average(red, 16), average(green, 16), average(blue, 16) };
}

RGBTriple quadsAverage(const QuadTriples &quads)
{
    std::int64_t red = 0, green = 0, blue = 0;
    for (const RGBTriple &q : quads) {
        red += q.Red;
        green += q.Green;
        blue += q.Blue;
    }
    return { average(red, 4), average(green, 4), average(blue, 4) };
}

QByteArray patternOf(const BlockTriples &blocks)
{
    QByteArray pattern;
    pattern.reserve(64);
    for (const RGBTriple &b : blocks)
        pattern.append(b.Red > 120 && b.Green > 120 && b.Blue > 120 ? '1' : '0');
    return pattern;
}

BlockTriples blocksOf(const QImage &surface)
{
    BlockTriples blocks;
    int k = 0;
    for (int x0 = 0; x0 <= 56; x0 += 8) {
        for (int y0 = 0; y0 <= 56; y0 += 8)
            blocks[size_t(k++)] = blockAverage(surface, x0, y0);
    }
    return blocks;
}

QuadTriples quadsOf(const BlockTriples &blocks)
{
    QuadTriples quads;
    int index = 0;
    for (int qx = 0; qx <= 4; qx += 4) {
        for (int qy = 0; qy <= 4; qy += 4)
            quads[size_t(index++)] = quadAverage(blocks, qx, qy);
    }
    return quads;
}

std::int16_t toInt16(double value)
{
    const double r = RoundHalfEven(value);
    if (r < std::numeric_limits<std::int16_t>::min()
        || r > std::numeric_limits<std::int16_t>::max())
        throw VexaError(6, QStringLiteral("Overflow"));
    return std::int16_t(r);
}

}  // namespace

PackedSignature PackSignature(const ImageSignature &signature)
{
    PackedSignature packed;
    const auto pack = [](const RGBTriple &t) { return SetRGBValues(t.Red, t.Green, t.Blue); };
    packed.AvgRGB = pack(signature.AvgRGB);
    for (int q = 0; q < 4; ++q)
        packed.QuadRGB[q] = pack(signature.QuadRGB[size_t(q)]);
    MakeBitLong(signature.Pattern, packed.Pattern1, packed.Pattern2);
    return packed;
}

QImage MakeSamplingSurface(const QImage &picture)
{
    QImage surface(kSamplingSurfaceSide, kSamplingSurfaceSide, QImage::Format_RGB32);
    surface.fill(kSamplingBackground);
    const QImage stretched = AreaAverageScaled(
        picture, QSize(kSampledPictureSide, kSampledPictureSide), kSamplingBackground);
    for (int y = 0; y < stretched.height(); ++y) {
        const auto *from = reinterpret_cast<const QRgb *>(stretched.constScanLine(y));
        auto *to = reinterpret_cast<QRgb *>(surface.scanLine(y));
        std::copy(from, from + stretched.width(), to);
    }
    return surface;
}

std::int32_t SurfacePixel(const QImage &surface, int x, int y)
{
    const QRgb p = surface.pixel(x, y);
    return SetRGBValues(qRed(p), qGreen(p), qBlue(p));
}

RGBTriple PixelToRGB(std::int32_t pixel)
{
    RGBTriple t;
    GetRGBValues(pixel, t.Red, t.Green, t.Blue);
    return t;
}

bool GatherImageData(
    const QImage &surface, RGBTriple &avgRGB, QuadTriples &quadRGB, QByteArray &pattern)
{
    try {
        requireSurface(surface);
        BlockTriples blocks;
        int k = 0;
        for (std::int16_t x0 = 0; x0 <= 56; x0 += 8) {
            for (std::int16_t y0 = 0; y0 <= 56; y0 += 8)
                GetBitMapPattern(blocks[size_t(k++)], surface, x0, y0);
        }
        pattern = BuildBitmapPattern(blocks);
        int index = 0;
        for (std::int16_t qx = 0; qx <= 4; qx += 4) {
            for (std::int16_t qy = 0; qy <= 4; qy += 4)
                GetQuadRGB(quadRGB[size_t(index++)], blocks, qx, qy);
        }
        GetAvgRGB(avgRGB, quadRGB);
        return true;
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("GatherImageData"));
        return false;
    }
}

void GetBitMapPattern(RGBTriple &result, const QImage &surface, std::int16_t x0, std::int16_t y0)
{
    try {
        result = blockAverage(surface, x0, y0);
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("GetBitMapPattern"));
    }
}

void GetQuadRGB(RGBTriple &result, const BlockTriples &blocks, std::int16_t qx, std::int16_t qy)
{
    try {
        result = quadAverage(blocks, qx, qy);
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("GetQuadRGB"));
    }
}

void GetAvgRGB(RGBTriple &result, const QuadTriples &quads)
{
    try {
        result = quadsAverage(quads);
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("GetAvgRGB"));
    }
}

QByteArray BuildBitmapPattern(const BlockTriples &blocks)
{
    try {
        return patternOf(blocks);
    } catch (const std::exception &e) {
        ReportException(e, kModule, QStringLiteral("BuildBitmapPattern"));
        return QByteArray();
    }
}

QRect FittedRectangle(const QSizeF &pictureSize, const QSizeF &boxSize)
{
    const double W = pictureSize.width();
    const double H = pictureSize.height();
    const double boxW = boxSize.width();
    const double boxH = boxSize.height();
    if (W <= 0 || H <= 0 || boxW <= 0 || boxH <= 0)
        return QRect();
    const double ratio = boxW / boxH;
    double x = 0, y = 0, w = boxW, h = boxH;
    // Fits by width when the picture is relatively wider than the box,
    // otherwise by height; the two branches per orientation only choose which
    // of the two equivalent formulas keeps r <= 1.
    if (W > H) {
        double r = H * ratio / W;
        if (r <= 1) {
            h = boxH * r;
            y = (boxH - h) / 2;
        } else {
            r = W / (H * ratio);
            w = boxW * r;
            x = (boxW - w) / 2;
        }
    } else {
        double r = W / (H * ratio);
        if (r <= 1) {
            w = boxW * r;
            x = (boxW - w) / 2;
        } else {
            r = H * ratio / W;
            h = boxH * r;
            y = (boxH - h) / 2;
        }
    }
    try {
        return QRect(toInt16(x), toInt16(y), toInt16(w), toInt16(h));
    } catch (const VexaError &) {
        return QRect();
    }
}

void PaintPictureFitted(const QImage &picture, QPaintDevice &box, const QColor &background)
{
    // Display only: any failing step is skipped.
    QPainter painter;
    if (!painter.begin(&box))
        return;
    painter.fillRect(QRect(0, 0, box.width(), box.height()), background);
    const QRect target = FittedRectangle(QSizeF(picture.size()), QSizeF(box.width(), box.height()));
    if (!picture.isNull() && target.isValid()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(target, picture);
    }
    painter.end();
}

ComputedSignature SignatureOfPicture(const QImage &picture, std::int16_t width, std::int16_t height)
{
    const QImage surface = MakeSamplingSurface(picture);
    ComputedSignature result;
    ImageSignature &s = result.signature;
    s.DimX = width;
    s.DimY = height;
    const BlockTriples blocks = blocksOf(surface);
    s.Pattern = patternOf(blocks);
    s.QuadRGB = quadsOf(blocks);
    s.AvgRGB = quadsAverage(s.QuadRGB);
    result.packed = PackSignature(s);
    return result;
}

std::optional<ComputedSignature> ComputeSignature(const QString &path, QString *reason)
{
    LoadedImage image;
    if (!LoadImageFile(path, image, DecodeSize::Sampling)) {
        if (reason)
            *reason = image.reason;
        return std::nullopt;
    }
    try {
        ComputedSignature result = SignatureOfPicture(image.picture, image.width, image.height);
        const QFileInfo info(path);
        result.signature.Path = info.absolutePath();
        result.signature.FileName = info.fileName();
        // The size field is signed 32-bit; larger files cannot be images we accept.
        result.signature.FileSize
            = std::int32_t(std::min<qint64>(info.size(), std::numeric_limits<std::int32_t>::max()));
        return result;
    } catch (const std::exception &e) {
        if (reason)
            *reason = QString::fromLocal8Bit(e.what());
        return std::nullopt;
    }
}

}  // namespace vexa
