// Every use of ImageMagick in the program is in this file.
#include "signature/imageloader.h"

#include "base/diskpath.h"

#include <Magick++.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>

#include <malloc.h>

namespace vexa {

namespace {

std::once_flag g_initOnce;

// The limits in force: ours, or lower ones from the system's policy.xml (a
// program cannot raise those). Written once by initialiseOnce.
std::int64_t g_maxWidth = kMaxImageSide;
std::int64_t g_maxHeight = kMaxImageSide;
std::int64_t g_maxPixels = kMaxImagePixels;

void initialiseOnce()
{
    const QByteArray program = QCoreApplication::applicationFilePath().toLocal8Bit();
    Magick::InitializeMagick(program.isEmpty() ? nullptr : program.constData());
    // Limits hold for every decode after this point. Pixel cache beyond the
    // memory limit goes to a memory map, then to disk; both are capped so a
    // hostile header cannot fill the machine.
    Magick::ResourceLimits::width(kMaxImageSide);
    Magick::ResourceLimits::height(kMaxImageSide);
    Magick::ResourceLimits::area(MagickCore::MagickSizeType(kMaxImagePixels));
    Magick::ResourceLimits::memory(1024ULL * 1024 * 1024);
    Magick::ResourceLimits::map(2048ULL * 1024 * 1024);
    Magick::ResourceLimits::disk(4096ULL * 1024 * 1024);
    Magick::ResourceLimits::listLength(64);
    // Our callers may decode on several threads; one OpenMP thread per decode
    // keeps them from competing and the results bit-identical.
    Magick::ResourceLimits::thread(1);
    // A picture beyond these is refused from its header: once a decoder has
    // started, a refusal by the pixel cache leaks the metafile reader's state.
    g_maxWidth = std::min<std::int64_t>(g_maxWidth, Magick::ResourceLimits::width());
    g_maxHeight = std::min<std::int64_t>(g_maxHeight, Magick::ResourceLimits::height());
    g_maxPixels = std::min<std::int64_t>(g_maxPixels, Magick::ResourceLimits::area());
    // Every decode allocates and frees pixel buffers of a few megabytes.
    // Above glibc's default threshold each one is a fresh mmap, zeroed page
    // by page and unmapped again, and those calls take the process-wide
    // memory-map lock, so decodes on several threads ran one at a time and
    // spent a third of their time in the kernel. Kept in the heap, the
    // buffers are reused.
    mallopt(M_MMAP_THRESHOLD, 64 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 128 * 1024 * 1024);
    // No process-wide time limit: ImageMagick 6 keeps one clock for the whole
    // process, so a limit would end every decode of a long session. Each
    // decode has its own deadline instead (checkDeadline).
}

struct FormatRule {
    const char *detected;  // what ImageMagick's content check says
    const char *decoder;  // the decoder we run
};

// The accepted decoders: the program's file types and nothing else, so a
// renamed script, vector or document format never reaches a delegate.
constexpr FormatRule kFormats[] = {
    { "JPE", "JPEG" },
    { "JPEG", "JPEG" },
    { "JPG", "JPEG" },
    { "PJPEG", "JPEG" },
    { "BMP", "BMP" },
    { "BMP2", "BMP" },
    { "BMP3", "BMP" },
    { "DIB", "BMP" },
    { "PCT", "PICT" },
    { "PICT", "PICT" },
    { "GIF", "GIF" },
    { "GIF87", "GIF" },
    { "PCX", "PCX" },
    { "DCX", "DCX" },  // multi-page PCX: its own reader takes the first page
    { "APNG", "PNG" },
    { "PNG", "PNG" },
    { "RLE", "RLE" },
    { "TIFF", "TIFF" },
    { "TIF", "TIFF" },
    { "TIFF64", "TIFF" },
    { "PTIF", "TIFF" },
    { "WMF", "WMF" },
    { "WPG", "WPG" },
    { "TGA", "TGA" },
};

// Formats without a signature, recognised by their extension only.
constexpr FormatRule kExtensionOnly[]
    = { { "tga", "TGA" }, { "vda", "TGA" }, { "icb", "TGA" }, { "vst", "TGA" } };

QString decoderFor(const QByteArray &data, const QString &extension)
{
    // ImageMagick has no content check for Windows metafiles: the placeable
    // key, or a memory/disk metafile header of 9 words, version 1 or 3.
    if (data.startsWith(QByteArrayLiteral("\xD7\xCD\xC6\x9A")))
        return QStringLiteral("WMF");
    if (data.size() >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9
        && data[3] == 0 && data[5] == 3 && (data[4] == 0 || data[4] == 1))
        return QStringLiteral("WMF");
    char detected[MaxTextExtent] = { 0 };
    const auto found = MagickCore::GetImageMagick(
        reinterpret_cast<const unsigned char *>(data.constData()), size_t(data.size()), detected);
    if (found == MagickCore::MagickTrue) {
        for (const FormatRule &rule : kFormats) {
            if (std::strcmp(rule.detected, detected) == 0)
                return QString::fromLatin1(rule.decoder);
        }
        return QString();
    }
    const QByteArray suffix = extension.toLower().toLatin1();
    for (const FormatRule &rule : kExtensionOnly) {
        if (suffix == rule.detected)
            return QString::fromLatin1(rule.decoder);
    }
    return QString();
}

// ImageMagick's Utah RLE reader returns from a header-only read without
// freeing the file's colour map (kilobytes lost per file), so the size is
// read here: 16-bit little-endian width and height at bytes 6 and 8 of the
// 15-byte header. Leaves both 0 when the header is short.
void utahRleSize(const QByteArray &data, std::int64_t &width, std::int64_t &height)
{
    if (data.size() < 15)
        return;
    const auto *header = reinterpret_cast<const uchar *>(data.constData());
    width = qFromLittleEndian<quint16>(header + 6);
    height = qFromLittleEndian<quint16>(header + 8);
}

// Progress callback of one decode: cancels it once its deadline has passed.
struct Deadline {
    std::chrono::steady_clock::time_point until;
};

MagickCore::MagickBooleanType checkDeadline(const char *, const MagickCore::MagickOffsetType,
    const MagickCore::MagickSizeType, void *clientData)
{
    const auto *deadline = static_cast<const Deadline *>(clientData);
    return std::chrono::steady_clock::now() < deadline->until ? MagickCore::MagickTrue
                                                              : MagickCore::MagickFalse;
}

void prepare(Magick::Image &image, const QString &decoder, Deadline &deadline)
{
    image.magick(decoder.toStdString());
    image.subImage(0);  // only the first frame of an animation or multi-page file
    image.subRange(1);
    MagickCore::SetImageInfoProgressMonitor(image.imageInfo(), checkDeadline, &deadline);
}

// Reads header or pixels. A warning about damaged data (a truncated JPEG
// decodes with a grey tail) fails the load; other warnings (an unknown TIFF
// tag) keep the picture that was read.
void readChecked(Magick::Image &image, const Magick::Blob &blob, bool headerOnly)
{
    try {
        if (headerOnly)
            image.ping(blob);
        else
            image.read(blob);
    } catch (const Magick::WarningCorruptImage &) {
        throw;
    } catch (const Magick::Warning &) {
        if (image.columns() == 0 || image.rows() == 0)
            throw;
    }
}

bool fail(LoadedImage &image, const QString &reason)
{
    image = LoadedImage();
    image.reason = reason;
    return false;
}

QImage toQImage(Magick::Image &image)
{
    if (image.colorSpace() != Magick::sRGBColorspace && image.colorSpace() != Magick::RGBColorspace
        && image.colorSpace() != Magick::GRAYColorspace)
        image.colorSpace(Magick::sRGBColorspace);
    const int width = int(image.columns());
    const int height = int(image.rows());
    const bool alpha = image.matte();
    QImage picture(width, height, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull())
        return picture;
    // Format_(A)RGB32 is 0xAARRGGBB in native order: B, G, R, A bytes on
    // little-endian machines, A, R, G, B on big-endian ones.
    const char *map = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "BGRA" : "ARGB";
    if (picture.bytesPerLine() == width * 4) {
        image.write(0, 0, size_t(width), size_t(height), map, Magick::CharPixel, picture.bits());
    } else {
        for (int y = 0; y < height; ++y)
            image.write(
                0, ssize_t(y), size_t(width), 1, map, Magick::CharPixel, picture.scanLine(y));
    }
    return picture;
}

bool decode(const QByteArray &data, const QString &extension, LoadedImage &image, DecodeSize size,
    const QSize &thumbnailBox)
{
    InitialiseImageLoader();
    if (data.isEmpty())
        return fail(image, QStringLiteral("empty file"));
    if (data.size() > kMaxImageFileBytes)
        return fail(image, QStringLiteral("file larger than %1 bytes").arg(kMaxImageFileBytes));
    const QString decoder = decoderFor(data, extension);
    if (decoder.isEmpty())
        return fail(image, QStringLiteral("not an image of an accepted type"));
    try {
        const Magick::Blob blob(data.constData(), size_t(data.size()));
        Deadline deadline { std::chrono::steady_clock::now()
            + std::chrono::seconds(kMaxDecodeSeconds) };

        // The header first: refuse absurd dimensions before any pixel memory
        // is taken, and learn the file's own size for a reduced decode.
        std::int64_t width = 0;
        std::int64_t height = 0;
        if (decoder == QLatin1String("RLE")) {
            utahRleSize(data, width, height);
        } else {
            Magick::Image header;
            prepare(header, decoder, deadline);
            readChecked(header, blob, true);
            width = std::int64_t(header.columns());
            height = std::int64_t(header.rows());
        }
        if (width <= 0 || height <= 0)
            return fail(image, QStringLiteral("no image dimensions"));
        if (width > g_maxWidth || height > g_maxHeight || width * height > g_maxPixels)
            return fail(image,
                QStringLiteral("image of %1 x %2 pixels is too large").arg(width).arg(height));

        Magick::Image picture;
        prepare(picture, decoder, deadline);
        if (decoder == QLatin1String("JPEG")) {
            // libjpeg then decodes at the smallest DCT scale (1/8 .. 1) whose
            // result is at least this large.
            QSize hint;
            if (size == DecodeSize::Sampling)
                hint = QSize(kSamplingDecodeSide, kSamplingDecodeSide);
            else if (thumbnailBox.isValid())
                hint = thumbnailBox;
            if (hint.isValid())
                picture.defineValue("jpeg", "size",
                    QStringLiteral("%1x%2").arg(hint.width()).arg(hint.height()).toStdString());
        }
        readChecked(picture, blob, false);
        if (picture.columns() == 0 || picture.rows() == 0)
            return fail(image, QStringLiteral("no pixels decoded"));
        if (thumbnailBox.isValid()
            && (int(picture.columns()) > thumbnailBox.width()
                || int(picture.rows()) > thumbnailBox.height())) {
            Magick::Geometry box(size_t(thumbnailBox.width()), size_t(thumbnailBox.height()));
            picture.filterType(Magick::TriangleFilter);
            picture.resize(box);  // keeps the aspect ratio inside the box
        }
        image = LoadedImage();
        image.picture = toQImage(picture);
        if (image.picture.isNull())
            return fail(image, QStringLiteral("out of memory for the picture"));
        image.ok = true;
        image.width = std::int16_t(width);
        image.height = std::int16_t(height);
        image.format = decoder;
        return true;
    } catch (const Magick::Exception &e) {
        return fail(image, QString::fromLocal8Bit(e.what()));
    } catch (const std::exception &e) {
        return fail(image, QString::fromLocal8Bit(e.what()));
    }
}

bool loadFile(const QString &path, LoadedImage &image, DecodeSize size, const QSize &thumbnailBox)
{
    // Through the disk-name module: a name that is not UTF-8 opens too.
    bool read = false;
    QString reason;
    const QByteArray data = ReadWholeFile(path, kMaxImageFileBytes, &read, &reason);
    if (!read)
        return fail(image, reason);
    return decode(data, QFileInfo(path).suffix(), image, size, thumbnailBox);
}

}  // namespace

void InitialiseImageLoader()
{
    std::call_once(g_initOnce, initialiseOnce);
}

bool LoadImageFile(const QString &path, LoadedImage &image, DecodeSize size)
{
    return loadFile(path, image, size, QSize());
}

bool LoadImageData(
    const QByteArray &data, const QString &extensionHint, LoadedImage &image, DecodeSize size)
{
    return decode(data, extensionHint, image, size, QSize());
}

bool LoadImageThumbnail(const QString &path, const QSize &box, LoadedImage &image)
{
    if (!box.isValid() || box.isEmpty())
        return fail(image, QStringLiteral("empty thumbnail box"));
    return loadFile(path, image, DecodeSize::Full, box);
}

QStringList AcceptedImageFormats()
{
    QStringList formats;
    for (const FormatRule &rule : kFormats) {
        const QString name = QString::fromLatin1(rule.decoder);
        if (!formats.contains(name))
            formats.append(name);
    }
    return formats;
}

}  // namespace vexa
