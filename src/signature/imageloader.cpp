// Every use of ImageMagick in the program is in this file.
#include "signature/imageloader.h"

#include "base/diskpath.h"
#include "signature/exifthumbnail.h"
#include "signature/jpegreader.h"

#include <Magick++.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <functional>

#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexa {

namespace {

std::once_flag g_initOnce;
std::atomic<bool> g_directJpeg { true };
std::int64_t g_budgetBytes = kMaxDecodeMemoryBytes;  // set once by initialiseOnce

// The limits in force: ours, or lower ones from the system's policy.xml (a
// program cannot raise those). Written once by initialiseOnce.
std::int64_t g_maxWidth = kMaxImageSide;
std::int64_t g_maxHeight = kMaxImageSide;
std::int64_t g_maxPixels = kMaxImagePixels;

// ImageMagick's content check asks every coder's check in name order, with
// a splay-tree step and a process-wide lock around each file, which took
// about a tenth of a small JPEG's gathering and made parallel decodes wait
// on each other. The coders that have a check, read once in the same order,
// give the same answer without either. Written once by initialiseOnce.
struct ContentCheck {
    std::string name;
    MagickCore::IsImageFormatHandler *check;
};
std::vector<ContentCheck> g_contentChecks;

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
    // The pixel cache's memory limit is the decode budget, so a pixel cache
    // the budget admitted always fits in memory. No memory-mapped cache: its
    // pages would count as the process's resident memory all the same.
    // Beyond memory the cache goes to disk (ImageMagick's temporary path,
    // SetDecoderTemporaryDirectory); the system's policy.xml may lower any of
    // these (Debian's: memory 256 MiB, disk 1 GiB).
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pages > 0 && pageSize > 0)
        g_budgetBytes = std::min<std::int64_t>(g_budgetBytes, std::int64_t(pages) * pageSize / 4);
    g_budgetBytes = std::max<std::int64_t>(g_budgetBytes, 16LL * 1024 * 1024);
    Magick::ResourceLimits::memory(MagickCore::MagickSizeType(g_budgetBytes));
    g_budgetBytes
        = std::min<std::int64_t>(g_budgetBytes, std::int64_t(Magick::ResourceLimits::memory()));
    Magick::ResourceLimits::map(0);
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
    MagickCore::ExceptionInfo *exception = MagickCore::AcquireExceptionInfo();
    std::size_t coders = 0;
    const MagickCore::MagickInfo **list = MagickCore::GetMagickInfoList("*", &coders, exception);
    for (std::size_t i = 0; list && i < coders; ++i) {
        if (list[i]->magick)
            g_contentChecks.push_back({ list[i]->name, list[i]->magick });
    }
    if (list)
        MagickCore::RelinquishMagickMemory(const_cast<MagickCore::MagickInfo **>(list));
    MagickCore::DestroyExceptionInfo(exception);
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

// Reads length bytes at offset of the file being decoded; false when the
// file ends first.
using ReadAt = std::function<bool(qint64 offset, char *buffer, qint64 length)>;

quint32 littleEndian(const char *bytes, int size)
{
    quint32 value = 0;
    for (int i = size - 1; i >= 0; --i)
        value = (value << 8) | quint8(bytes[i]);
    return value;
}

// A Windows metafile whose records can be walked to its end record. libwmf
// prints its complaints about anything else on standard error (from any
// thread, with no way to silence it), so only a metafile that holds together
// reaches it. fileSize in bytes; readAt reads the file.
bool wellFormedMetafile(qint64 fileSize, const ReadAt &readAt)
{
    char header[22];
    qint64 offset = 0;
    if (!readAt(0, header, 4))
        return false;
    if (littleEndian(header, 4) == 0x9AC6CDD7u)
        offset = 22;  // the placeable header before the metafile header
    if (!readAt(offset, header, 18))
        return false;
    const quint32 type = littleEndian(header, 2);
    const quint32 headerWords = littleEndian(header + 2, 2);
    const quint32 version = littleEndian(header + 4, 2);
    if ((type != 1 && type != 2) || headerWords != 9 || (version != 0x100 && version != 0x300))
        return false;
    offset += 18;
    // Records: size in 16-bit words (at least 3), function; the last is
    // the end record (3 words, function 0).
    for (int records = 0; records < 1'000'000; ++records) {
        char record[6];
        if (!readAt(offset, record, 6))
            return false;
        const qint64 words = littleEndian(record, 4);
        const quint32 function = littleEndian(record + 4, 2);
        if (words < 3 || offset + words * 2 > fileSize)
            return false;
        if (function == 0)
            return words == 3;
        offset += words * 2;
    }
    return false;
}

// What ImageMagick's content check names for the start of a file, empty
// when no coder claims it. listed: through g_contentChecks.
QByteArray detectedFormat(const QByteArray &data, bool listed)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(data.constData());
    if (listed) {
        for (const ContentCheck &coder : g_contentChecks) {
            if (coder.check(bytes, size_t(data.size())) != MagickCore::MagickFalse)
                return QByteArray::fromStdString(coder.name);
        }
        return QByteArray();
    }
    char detected[MaxTextExtent] = { 0 };
    if (MagickCore::GetImageMagick(bytes, size_t(data.size()), detected) != MagickCore::MagickTrue)
        return QByteArray();
    return QByteArray(detected);
}

QString decoderFor(
    const QByteArray &data, const QString &extension, const ReadAt &readAt, qint64 fileSize)
{
    // ImageMagick has no content check for Windows metafiles: the placeable
    // key, or a memory/disk metafile header of 9 words, version 1 or 3.
    const bool metafileStart = data.startsWith(QByteArrayLiteral("\xD7\xCD\xC6\x9A"))
        || (data.size() >= 18 && (data[0] == 1 || data[0] == 2) && data[1] == 0 && data[2] == 9
            && data[3] == 0 && data[5] == 3 && (data[4] == 0 || data[4] == 1));
    if (metafileStart)
        return wellFormedMetafile(fileSize, readAt) ? QStringLiteral("WMF") : QString();
    const QByteArray detected = detectedFormat(data, true);
    if (!detected.isEmpty()) {
        for (const FormatRule &rule : kFormats) {
            if (detected == rule.detected)
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

// Where a decode reads from: bytes already in memory, or an open file the
// decoder streams from, so a file is never read whole into our memory and
// copied again for the decoder.
struct Source {
    const Magick::Blob *blob = nullptr;
    FILE *file = nullptr;
};

// ImageMagick refused memory or disk for the pixels (its resource limits),
// which says nothing about the file.
struct ResourceRefused {
    QString reason;
};

// Reads header or pixels. A warning about damaged data (a truncated JPEG
// decodes with a grey tail) fails the load; other warnings (an unknown TIFF
// tag) keep the picture that was read.
void readChecked(
    Magick::Image &image, const Source &source, const QString &decoder, bool headerOnly)
{
    try {
        if (source.file) {
            std::rewind(source.file);
            // The decoder reads the open stream; the name only carries the
            // decoder, so nothing in the path is parsed as an option.
            MagickCore::SetImageInfoFile(image.imageInfo(), source.file);
            const std::string coderName = decoder.toStdString() + ":image";
            if (headerOnly)
                image.ping(coderName);
            else
                image.read(coderName);
        } else if (headerOnly) {
            image.ping(*source.blob);
        } else {
            image.read(*source.blob);
        }
    } catch (const Magick::ErrorResourceLimit &e) {
        throw ResourceRefused { QString::fromLocal8Bit(e.what()) };
    } catch (const Magick::WarningCorruptImage &) {
        throw;
    } catch (const Magick::WarningResourceLimit &e) {
        if (image.columns() == 0 || image.rows() == 0)
            throw ResourceRefused { QString::fromLocal8Bit(e.what()) };
    } catch (const Magick::Warning &) {
        if (image.columns() == 0 || image.rows() == 0)
            throw;
    }
}

// "vexa-cli: Premature end of JPEG file `image' @ warning/jpeg.c/..." gives
// "Premature end of JPEG file": the text a user can act on.
QString cleanReason(QString text)
{
    // Magick++ puts the client name (the program's) in front.
    for (const QString &client : { QStringLiteral("Magick: "),
             QString::fromLocal8Bit(MagickCore::GetClientName()) + ": " }) {
        if (text.startsWith(client))
            text.remove(0, client.size());
    }
    for (const QLatin1String cut : { QLatin1String(" `"), QLatin1String(" @ ") }) {
        const qsizetype at = text.indexOf(cut);
        if (at > 0)
            text.truncate(at);
    }
    return text.trimmed();
}

// The decode budget (kMaxDecodeMemoryBytes): decodes take their estimated
// bytes in arrival order and give them back when their picture is made. A
// need larger than the whole budget waits until no other decode runs and
// keeps the others out until it ends. Any thread.
class DecodeBudget {
public:
    std::int64_t acquire(std::int64_t bytes)
    {
        std::unique_lock lock(m_mutex);
        const std::int64_t held = std::clamp<std::int64_t>(bytes, 1, g_budgetBytes);
        const std::uint64_t ticket = m_nextTicket++;
        m_changed.wait(lock, [&] { return ticket == m_serving && m_used + held <= g_budgetBytes; });
        m_used += held;
        ++m_serving;
        lock.unlock();
        m_changed.notify_all();
        return held;
    }
    void release(std::int64_t held)
    {
        {
            std::lock_guard lock(m_mutex);
            m_used -= held;
        }
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::int64_t m_used = 0;
    std::uint64_t m_nextTicket = 0;
    std::uint64_t m_serving = 0;
};

DecodeBudget &decodeBudget()
{
    static DecodeBudget budget;
    return budget;
}

class BudgetHold {
public:
    explicit BudgetHold(std::int64_t bytes)
        : m_held(decodeBudget().acquire(bytes))
    {
    }
    ~BudgetHold() { decodeBudget().release(m_held); }
    BudgetHold(const BudgetHold &) = delete;
    BudgetHold &operator=(const BudgetHold &) = delete;

private:
    std::int64_t m_held;
};

// A sampling decode hands back at most this many pixels (2048 x 2048, 16 MB
// as a picture): a larger picture is reduced by ImageMagick's area-averaging
// scale first, which the 63 x 63 stretch of the sampling surface cannot tell
// from the full picture beyond rounding. Depends on the image only, so every
// thread count gives the same signature.
constexpr std::int64_t kSamplingMaxPixels = 2048LL * 2048;

QSize samplingSize(std::int64_t width, std::int64_t height)
{
    if (width * height <= kSamplingMaxPixels)
        return QSize(int(width), int(height));
    const double factor = std::sqrt(double(kSamplingMaxPixels) / double(width * height));
    return QSize(std::max(1, int(std::lround(double(width) * factor))),
        std::max(1, int(std::lround(double(height) * factor))));
}

// The side libjpeg gives when scaling by n/8 (rounded up).
std::int64_t jpegScaled(std::int64_t side, int eighths)
{
    return (side * eighths + 7) / 8;
}

// The pixels a JPEG decode with this size hint makes: the smallest n/8 scale
// whose result covers the hint in both directions.
QSize jpegDecodedSize(std::int64_t width, std::int64_t height, const QSize &hint)
{
    if (!hint.isValid())
        return QSize(int(width), int(height));
    for (int eighths = 1; eighths < 8; ++eighths) {
        if (jpegScaled(width, eighths) >= hint.width()
            && jpegScaled(height, eighths) >= hint.height())
            return QSize(int(jpegScaled(width, eighths)), int(jpegScaled(height, eighths)));
    }
    return QSize(int(width), int(height));
}

// Bytes a decode holds at its peak, from the header: ImageMagick's Q16 pixel
// cache (8 bytes a pixel, 2 more for a colour-map index channel), the coder's
// own buffer (PNG and most others keep every row at the file's depth; JPEG
// reads row by row), the reduced copy a sampling or thumbnail decode makes,
// and the 32-bit picture handed back.
std::int64_t estimateBytes(const QString &decoder, const QSize &decoded, const QSize &output,
    std::size_t depth, bool matte)
{
    const std::int64_t pixels = std::int64_t(decoded.width()) * decoded.height();
    const std::int64_t outputPixels = std::int64_t(output.width()) * output.height();
    const std::int64_t channels = matte ? 4 : 3;
    const std::int64_t coderBytes
        = decoder == QLatin1String("JPEG") ? 0 : channels * (depth > 8 ? 2 : 1);
    const std::int64_t reduced = outputPixels < pixels ? outputPixels * 10 : 0;
    return pixels * (10 + coderBytes) + reduced + outputPixels * 4 + 1024 * 1024;
}

bool fail(LoadedImage &image, const QString &reason)
{
    image = LoadedImage();
    image.reason = reason;
    return false;
}

// An upright picture as the loaded image, with the dimensions as shown
// (exchanged when the stored pixels were turned a quarter); false when there
// was no memory for the picture.
bool shown(QImage picture, bool quarter, std::int64_t width, std::int64_t height,
    const QString &format, LoadedImage &image)
{
    image = LoadedImage();
    image.picture = std::move(picture);
    if (image.picture.isNull())
        return fail(image, QStringLiteral("out of memory for the picture"));
    image.ok = true;
    image.width = std::int16_t(quarter ? height : width);
    image.height = std::int16_t(quarter ? width : height);
    image.format = format;
    return true;
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

// True for the orientations (EXIF/TIFF values 5-8) that turn the stored
// pixels a quarter: the picture is shown with width and height exchanged.
bool turnsQuarter(Magick::OrientationType orientation)
{
    return orientation == Magick::LeftTopOrientation || orientation == Magick::RightTopOrientation
        || orientation == Magick::RightBottomOrientation
        || orientation == Magick::LeftBottomOrientation;
}

// The pixel decode of a file whose header was read: under the decode budget,
// and once more with the whole budget to itself when ImageMagick refused
// memory or disk while other decodes held theirs.
// width and height are the stored pixels'; orientation, the file's tag,
// is applied last (to the reduced picture, which costs less and gives the
// same pixels), so every caller sees the picture the way it is shown.
bool decodePixels(const Source &source, const QString &decoder, std::int64_t width,
    std::int64_t height, std::size_t depth, bool matte, Magick::OrientationType orientation,
    LoadedImage &image, DecodeSize size, QSize thumbnailBox, Deadline &deadline)
{
    const bool quarter = turnsQuarter(orientation);
    // The box is meant for the picture as shown; the decode works on the
    // stored pixels.
    if (quarter && thumbnailBox.isValid())
        thumbnailBox.transpose();
    QSize hint;
    if (decoder == QLatin1String("JPEG")) {
        // libjpeg then decodes at the smallest DCT scale (1/8 .. 1) whose
        // result is at least this large.
        if (size == DecodeSize::Sampling)
            hint = QSize(kSamplingDecodeSide, kSamplingDecodeSide);
        else if (thumbnailBox.isValid())
            // The picture's own shape fitted in the box, not the box: a
            // wide box must not make a portrait decode at a larger scale.
            hint = QSize(int(width), int(height))
                       .scaled(thumbnailBox.boundedTo(QSize(int(width), int(height))),
                           Qt::KeepAspectRatio);
    }
    const QSize decoded = jpegDecodedSize(width, height, hint);
    QSize output = decoded;
    if (thumbnailBox.isValid())
        output = decoded.scaled(thumbnailBox.boundedTo(decoded), Qt::KeepAspectRatio);
    else if (size == DecodeSize::Sampling)
        output = samplingSize(decoded.width(), decoded.height());
    const std::int64_t need = estimateBytes(decoder, decoded, output, depth, matte);

    QString refusal;
    for (int attempt = 0; attempt < 2; ++attempt) {
        BudgetHold hold(attempt == 0 ? need : kMaxDecodeMemoryBytes);
        // The time spent waiting for the budget is not the decoder's.
        deadline.until = std::chrono::steady_clock::now() + std::chrono::seconds(kMaxDecodeSeconds);
        try {
            Magick::Image picture;
            prepare(picture, decoder, deadline);
            if (hint.isValid())
                picture.defineValue("jpeg", "size",
                    QStringLiteral("%1x%2").arg(hint.width()).arg(hint.height()).toStdString());
            readChecked(picture, source, decoder, false);
            if (picture.columns() == 0 || picture.rows() == 0)
                return fail(image, QStringLiteral("no pixels decoded"));
            if (thumbnailBox.isValid()
                && (int(picture.columns()) > thumbnailBox.width()
                    || int(picture.rows()) > thumbnailBox.height())) {
                Magick::Geometry box(size_t(thumbnailBox.width()), size_t(thumbnailBox.height()));
                picture.filterType(Magick::TriangleFilter);
                picture.resize(box);  // keeps the aspect ratio inside the box
            } else if (size == DecodeSize::Sampling) {
                const QSize reduced = samplingSize(picture.columns(), picture.rows());
                if (reduced != QSize(int(picture.columns()), int(picture.rows()))) {
                    Magick::Geometry exact(size_t(reduced.width()), size_t(reduced.height()));
                    exact.aspect(true);
                    picture.scale(exact);
                }
            }
            if (orientation > Magick::TopLeftOrientation
                && orientation <= Magick::LeftBottomOrientation)
                picture.autoOrient();
            return shown(toQImage(picture), quarter, width, height, decoder, image);
        } catch (const ResourceRefused &refused) {
            refusal = cleanReason(refused.reason);
        }
    }
    return fail(image,
        QStringLiteral("image of %1 x %2 pixels is too large for the decoder's memory and disk "
                       "limits (%3)")
            .arg(width)
            .arg(height)
            .arg(refusal));
}

// The stored picture turned the way its orientation tag (2-8) says it is
// shown: the same pixel moves as ImageMagick's auto-orient.
QImage oriented(const QImage &stored, int orientation)
{
    if (orientation < 2 || orientation > 8)
        return stored;
    if (orientation <= 4)
        return stored.mirrored(orientation != 4, orientation != 2);
    QImage turned(stored.height(), stored.width(), stored.format());
    if (turned.isNull())
        return turned;
    for (int y = 0; y < stored.height(); ++y) {
        const auto *row = reinterpret_cast<const QRgb *>(stored.constScanLine(y));
        for (int x = 0; x < stored.width(); ++x)
            reinterpret_cast<QRgb *>(turned.scanLine(x))[y] = row[x];
    }
    // Transposed; 6, 7 and 8 mirror it further.
    switch (orientation) {
    case 6: return turned.mirrored(true, false);
    case 7: return turned.mirrored(true, true);
    case 8: return turned.mirrored(false, true);
    default: return turned;
    }
}

enum class Direct { Done, ToImageMagick };

// A JPEG up to this size is decoded from memory (see decodeJpegDirectly).
constexpr qint64 kWholeJpegFileBytes = 64LL * 1024 * 1024;

// A plain JPEG opened for a decode with libjpeg itself, its header read and
// its size within the limits. Null otherwise, with result telling the caller
// to hand the file to ImageMagick or that it failed (ok and image set).
std::unique_ptr<JpegReader> openPlainJpeg(
    const Source &source, LoadedImage &image, bool &ok, Direct &result)
{
    if (source.file)
        std::rewind(source.file);
    std::unique_ptr<JpegReader> reader = source.file
        ? std::make_unique<JpegReader>(source.file)
        : std::make_unique<JpegReader>(
            static_cast<const char *>(source.blob->data()), source.blob->length());
    result = Direct::ToImageMagick;
    if (!reader->readHeader() || !reader->plainColour())
        return nullptr;
    const std::int64_t width = reader->width();
    const std::int64_t height = reader->height();
    if (width <= 0 || height <= 0)
        return nullptr;
    if (width > g_maxWidth || height > g_maxHeight || width * height > g_maxPixels) {
        ok = fail(
            image, QStringLiteral("image of %1 x %2 pixels is too large").arg(width).arg(height));
        result = Direct::Done;
        return nullptr;
    }
    return reader;
}

// Decodes at 1/denominator within the decode deadline, counted from here:
// the time spent waiting for the budget is not the decoder's.
bool decodeInTime(
    JpegReader &reader, unsigned denominator, QImage &picture, LoadedImage &image, bool &ok)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kMaxDecodeSeconds);
    const std::function<bool()> inTime
        = [until] { return std::chrono::steady_clock::now() < until; };
    if (reader.decode(denominator, inTime, picture))
        return true;
    ok = fail(image, reader.reason());
    return false;
}

// The decoded picture turned upright into image, with the dimensions as
// shown and the format named; false when there is no memory for it.
bool shownAs(const QImage &picture, int orientation, std::int64_t width, std::int64_t height,
    LoadedImage &image, const QString &format = QStringLiteral("JPEG"))
{
    return shown(picture.isNull() ? picture : oriented(picture, orientation), orientation >= 5,
        width, height, format, image);
}

// A sampling decode of a plain JPEG with libjpeg itself: the same limits,
// budget, deadline and refusal of damaged data as through ImageMagick, and
// the same pixels. Anything it does not take (another colour space, a
// header libjpeg cannot read, a picture that needs ImageMagick's reduction)
// goes to ImageMagick untouched, which then gives its usual answer.
Direct decodeJpegDirectly(const Source &source, LoadedImage &image, bool &ok)
{
    Direct refused = Direct::ToImageMagick;
    std::unique_ptr<JpegReader> reader = openPlainJpeg(source, image, ok, refused);
    if (!reader)
        return refused;
    const std::int64_t width = reader->width();
    const std::int64_t height = reader->height();
    // The scale ImageMagick's coder picks for a size hint: the whole-number
    // reduction that keeps both sides at least at the hint, as 1/denominator
    // (libjpeg then takes the nearest n/8 at or above it; a picture smaller
    // than the hint gives 0, which libjpeg takes as an enlargement).
    const double factor
        = std::min(double(width) / kSamplingDecodeSide, double(height) / kSamplingDecodeSide);
    const auto denominator = unsigned(factor);
    const QSize decoded = reader->scaledSize(denominator);
    if (decoded.isEmpty() || samplingSize(decoded.width(), decoded.height()) != decoded)
        return Direct::ToImageMagick;
    // The picture, the turned copy, and a progressive file's coefficients
    // (two bytes a sample, all of them held until the last scan).
    const std::int64_t pictureBytes = std::int64_t(decoded.width()) * decoded.height() * 4;
    const std::int64_t coefficients
        = reader->progressive() ? width * height * reader->components() * 2 : 0;
    // libjpeg's fast Huffman decoding wants a few kilobytes of data ahead
    // of it (512 bytes a block of the unit it decodes); from the 4 KB
    // pieces its file reader hands over it takes the slow path for most of
    // each piece. A file in memory, counted in the budget, keeps it on the
    // fast path; the header is read again from there.
    qint64 fileBytes = 0;
    if (source.file) {
        struct stat info { };
        if (fstat(fileno(source.file), &info) == 0 && info.st_size <= kWholeJpegFileBytes)
            fileBytes = qint64(info.st_size);
    }
    const BudgetHold hold(2 * pictureBytes + coefficients + fileBytes + 1024 * 1024);
    QByteArray whole;
    if (fileBytes > 0) {
        whole.resize(fileBytes);
        std::rewind(source.file);
        whole.truncate(
            qsizetype(std::fread(whole.data(), 1, std::size_t(whole.size()), source.file)));
        reader = std::make_unique<JpegReader>(whole.constData(), std::size_t(whole.size()));
        if (whole.isEmpty() || !reader->readHeader() || reader->width() != width
            || reader->height() != height) {
            // Changed while it was read.
            ok = fail(image, QStringLiteral("file could not be read"));
            return Direct::Done;
        }
    }
    QImage stored;
    if (!decodeInTime(*reader, denominator, stored, image, ok))
        return Direct::Done;
    ok = shownAs(stored, reader->orientation(), width, height, image);
    return Direct::Done;
}

// The thumbnail decode of a plain JPEG with libjpeg itself, for the same
// picture ImageMagick gives: the scale its coder picks for the size hint
// (the picture's shape fitted in the box), then the same resize (its triangle
// filter, on the same pixels) and the orientation applied last. The same
// limits, budget, deadline and refusal of damaged data. Anything else goes to
// ImageMagick untouched.
Direct decodeJpegThumbnailDirectly(const Source &source, QSize box, LoadedImage &image, bool &ok)
{
    Direct refused = Direct::ToImageMagick;
    std::unique_ptr<JpegReader> reader = openPlainJpeg(source, image, ok, refused);
    if (!reader)
        return refused;
    const std::int64_t width = reader->width();
    const std::int64_t height = reader->height();
    const int orientation = reader->orientation();
    const bool quarter = orientation >= 5;
    // The box is meant for the picture as shown; the decode works on the
    // stored pixels.
    if (quarter)
        box.transpose();
    const QSize stored { int(width), int(height) };
    const QSize hint = stored.scaled(box.boundedTo(stored), Qt::KeepAspectRatio);
    // ImageMagick's coder: the smaller of the two whole-number reductions
    // (a side of 0 in the hint does not count), as 1/denominator.
    double factor = 1.0;
    if (hint.width() != 0)
        factor = double(width) / hint.width();
    if (hint.height() != 0 && factor > double(height) / hint.height())
        factor = double(height) / hint.height();
    const auto denominator = unsigned(factor);
    const QSize decoded = reader->scaledSize(denominator);
    if (decoded.isEmpty())
        return Direct::ToImageMagick;
    // The picture, ImageMagick's 16-bit copy for the resize, the turned copy,
    // and a progressive file's coefficients (held until the last scan).
    const std::int64_t decodedPixels = std::int64_t(decoded.width()) * decoded.height();
    const std::int64_t coefficients
        = reader->progressive() ? width * height * reader->components() * 2 : 0;
    const BudgetHold hold(decodedPixels * (4 + 8) + std::int64_t(box.width()) * box.height() * 12
        + coefficients + 1024 * 1024);
    QImage picture;
    if (!decodeInTime(*reader, denominator, picture, image, ok))
        return Direct::Done;
    if (picture.width() > box.width() || picture.height() > box.height()) {
        try {
            // Format_RGB32 rows are whole pixels; the fourth byte is padding.
            const char *map = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "BGRP" : "PRGB";
            Magick::Image resized(size_t(picture.width()), size_t(picture.height()), map,
                Magick::CharPixel, picture.constBits());
            resized.filterType(Magick::TriangleFilter);
            resized.resize(Magick::Geometry(size_t(box.width()), size_t(box.height())));
            picture = toQImage(resized);
        } catch (const std::exception &e) {
            ok = fail(image, cleanReason(QString::fromLocal8Bit(e.what())));
            return Direct::Done;
        }
    }
    ok = shownAs(picture, orientation, width, height, image);
    return Direct::Done;
}

bool decode(const Source &source, const QByteArray &start, const QString &extension,
    LoadedImage &image, DecodeSize size, const QSize &thumbnailBox)
{
    qint64 fileSize = 0;
    ReadAt readAt;
    if (source.file) {
        const int fd = fileno(source.file);
        struct stat info { };
        fileSize = fstat(fd, &info) == 0 ? qint64(info.st_size) : 0;
        readAt = [fd](qint64 offset, char *buffer, qint64 length) {
            return pread(fd, buffer, size_t(length), off_t(offset)) == length;
        };
    } else {
        const auto *bytes = static_cast<const char *>(source.blob->data());
        fileSize = qint64(source.blob->length());
        readAt = [bytes, fileSize](qint64 offset, char *buffer, qint64 length) {
            if (offset < 0 || offset + length > fileSize)
                return false;
            std::memcpy(buffer, bytes + offset, size_t(length));
            return true;
        };
    }
    const QString decoder = decoderFor(start, extension, readAt, fileSize);
    if (decoder.isEmpty())
        return fail(image, QStringLiteral("not an image of an accepted type"));
    if (decoder == QLatin1String("JPEG") && size == DecodeSize::Sampling && !thumbnailBox.isValid()
        && g_directJpeg.load(std::memory_order_relaxed)) {
        bool ok = false;
        if (decodeJpegDirectly(source, image, ok) == Direct::Done)
            return ok;
    }
    if (decoder == QLatin1String("JPEG") && thumbnailBox.isValid()
        && g_directJpeg.load(std::memory_order_relaxed)) {
        bool ok = false;
        if (decodeJpegThumbnailDirectly(source, thumbnailBox, image, ok) == Direct::Done)
            return ok;
    }
    try {
        Deadline deadline { std::chrono::steady_clock::now()
            + std::chrono::seconds(kMaxDecodeSeconds) };

        // The header first: refuse absurd dimensions before any pixel memory
        // is taken, and learn the size the pixels will need.
        std::int64_t width = 0;
        std::int64_t height = 0;
        std::size_t depth = 8;
        bool matte = true;
        Magick::OrientationType orientation = Magick::UndefinedOrientation;
        if (decoder == QLatin1String("RLE")) {
            utahRleSize(start, width, height);
        } else {
            Magick::Image header;
            prepare(header, decoder, deadline);
            try {
                readChecked(header, source, decoder, true);
            } catch (const ResourceRefused &refused) {
                return fail(image, cleanReason(refused.reason));
            }
            width = std::int64_t(header.columns());
            height = std::int64_t(header.rows());
            depth = header.depth();
            matte = header.matte();
            orientation = header.orientation();
        }
        if (width <= 0 || height <= 0)
            return fail(image, QStringLiteral("no image dimensions"));
        if (width > g_maxWidth || height > g_maxHeight || width * height > g_maxPixels)
            return fail(image,
                QStringLiteral("image of %1 x %2 pixels is too large").arg(width).arg(height));
        return decodePixels(source, decoder, width, height, depth, matte, orientation, image, size,
            thumbnailBox, deadline);
    } catch (const Magick::Exception &e) {
        return fail(image, cleanReason(QString::fromLocal8Bit(e.what())));
    } catch (const std::exception &e) {
        return fail(image, QString::fromLocal8Bit(e.what()));
    }
}

bool decodeBytes(const QByteArray &data, const QString &extension, LoadedImage &image,
    DecodeSize size, const QSize &thumbnailBox)
{
    InitialiseImageLoader();
    if (data.isEmpty())
        return fail(image, QStringLiteral("empty file"));
    if (data.size() > kMaxImageFileBytes)
        return fail(image, QStringLiteral("file larger than %1 bytes").arg(kMaxImageFileBytes));
    try {
        const Magick::Blob blob(data.constData(), size_t(data.size()));
        return decode(Source { &blob, nullptr }, data, extension, image, size, thumbnailBox);
    } catch (const std::exception &e) {
        return fail(image, QString::fromLocal8Bit(e.what()));
    }
}

// Enough of a file's start for every content check of the accepted types.
constexpr qint64 kContentCheckBytes = 8192;
constexpr std::size_t kReadBufferBytes = 64 * 1024;

// A file opened for reading through the disk-name module (a name that is not
// UTF-8 opens too), once it is a regular file of 1 to maxBytes bytes; null
// with the reason in image otherwise.
FILE *openImageFile(const QString &path, qint64 maxBytes, LoadedImage &image, qint64 &size)
{
    const DiskStat info = StatOnDisk(path);
    if (!info.isFile) {
        fail(image, QStringLiteral("no such file"));
        return nullptr;
    }
    if (info.size > maxBytes) {
        fail(image, QStringLiteral("file larger than %1 bytes").arg(maxBytes));
        return nullptr;
    }
    if (info.size == 0) {
        fail(image, QStringLiteral("empty file"));
        return nullptr;
    }
    const int fd = OpenOnDiskForReading(path);
    FILE *file = fd < 0 ? nullptr : fdopen(fd, "rb");
    if (!file) {
        const int error = errno;
        if (fd >= 0)
            ::close(fd);
        fail(image, QString::fromLocal8Bit(std::strerror(error)));
        return nullptr;
    }
    size = info.size;
    return file;
}

bool loadFile(const QString &path, LoadedImage &image, DecodeSize size, const QSize &thumbnailBox)
{
    InitialiseImageLoader();
    qint64 fileSize = 0;
    FILE *file = openImageFile(path, kMaxImageFileBytes, image, fileSize);
    if (!file)
        return false;
    // The decoders read in small pieces (libjpeg 4 KB); a larger buffer
    // takes a small file in one or two reads instead of fifteen.
    std::setvbuf(file, nullptr, _IOFBF, kReadBufferBytes);
    QByteArray start(int(std::min<qint64>(fileSize, kContentCheckBytes)), Qt::Uninitialized);
    const std::size_t got = std::fread(start.data(), 1, std::size_t(start.size()), file);
    start.truncate(qsizetype(got));
    bool ok = false;
    if (start.isEmpty())
        ok = fail(image, QStringLiteral("file could not be read"));
    else
        ok = decode(
            Source { nullptr, file }, start, QFileInfo(path).suffix(), image, size, thumbnailBox);
    std::fclose(file);
    return ok;
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
    return decodeBytes(data, extensionHint, image, size, QSize());
}

bool LoadImageThumbnail(const QString &path, const QSize &box, LoadedImage &image)
{
    if (!box.isValid() || box.isEmpty())
        return fail(image, QStringLiteral("empty thumbnail box"));
    return loadFile(path, image, DecodeSize::Full, box);
}

bool LoadEmbeddedThumbnail(const QString &path, LoadedImage &image)
{
    InitialiseImageLoader();
    qint64 fileSize = 0;
    FILE *file = openImageFile(path, std::numeric_limits<qint64>::max(), image, fileSize);
    if (!file)
        return false;
    const std::unique_ptr<FILE, int (*)(FILE *)> closer(file, std::fclose);
    // Only the header and the markers before the first scan are read.
    JpegReader reader(file);
    if (!reader.readHeader())
        return fail(image, reader.reason());
    const std::int64_t width = reader.width();
    const std::int64_t height = reader.height();
    if (width <= 0 || height <= 0 || width > g_maxWidth || height > g_maxHeight
        || width * height > g_maxPixels)
        return fail(
            image, QStringLiteral("image of %1 x %2 pixels is too large").arg(width).arg(height));
    const QByteArrayView bytes = ExifThumbnail(reader.exifBlock());
    if (bytes.isEmpty())
        return fail(image, QStringLiteral("no embedded thumbnail"));
    JpegReader small(bytes.data(), std::size_t(bytes.size()));
    if (!small.readHeader())
        return fail(image, small.reason());
    if (!small.plainColour() || small.width() <= 0 || small.height() <= 0
        || small.width() > kMaxEmbeddedThumbnailSide || small.height() > kMaxEmbeddedThumbnailSide)
        return fail(image, QStringLiteral("embedded thumbnail of an unusual kind"));
    const double shape = (double(small.width()) / small.height()) / (double(width) / height);
    if (std::abs(shape - 1.0) > kEmbeddedThumbnailShapeTolerance)
        return fail(image, QStringLiteral("embedded thumbnail of another shape"));
    // At most kMaxEmbeddedThumbnailSide squared (4 MB) and over in
    // milliseconds: outside the decode budget, so a first picture never
    // waits behind the large decodes.
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(kMaxDecodeSeconds);
    const std::function<bool()> inTime
        = [until] { return std::chrono::steady_clock::now() < until; };
    QImage picture;
    if (!small.decode(1, inTime, picture))
        return fail(image, small.reason());
    // The camera stores it the way it stores the image: the image's tag
    // turns it.
    return shownAs(
        picture, reader.orientation(), width, height, image, QStringLiteral("EXIF thumbnail"));
}

std::int64_t DecodeMemoryBudget()
{
    InitialiseImageLoader();
    return g_budgetBytes;
}

bool SetDecoderTemporaryDirectory(const QString &directory)
{
    InitialiseImageLoader();
    if (!QDir().mkpath(directory))
        return false;
    QFile::setPermissions(
        directory, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    // Only this program writes here, and the caller holds the single-copy
    // lock, so every magick-* file is what a killed run left behind.
    QDir dir(directory);
    const QStringList stale = dir.entryList({ QStringLiteral("magick-*") },
        QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QString &name : stale)
        dir.remove(name);
    MagickCore::ExceptionInfo *exception = MagickCore::AcquireExceptionInfo();
    const QByteArray path = QFile::encodeName(QDir(directory).absolutePath());
    const bool set = MagickCore::SetImageRegistry(MagickCore::StringRegistryType, "temporary-path",
                         path.constData(), exception)
        == MagickCore::MagickTrue;
    MagickCore::DestroyExceptionInfo(exception);
    return set;
}

QString DecoderTemporaryDirectory()
{
    InitialiseImageLoader();
    MagickCore::ExceptionInfo *exception = MagickCore::AcquireExceptionInfo();
    auto *value = static_cast<char *>(
        MagickCore::GetImageRegistry(MagickCore::StringRegistryType, "temporary-path", exception));
    MagickCore::DestroyExceptionInfo(exception);
    if (!value)
        return QDir::tempPath();
    const QString directory = QFile::decodeName(value);
    MagickCore::RelinquishMagickMemory(value);
    return directory;
}

QString DetectImageFormat(const QByteArray &start, bool listed)
{
    InitialiseImageLoader();
    return QString::fromLatin1(detectedFormat(start, listed));
}

void SetDirectJpegDecoding(bool direct)
{
    g_directJpeg.store(direct);
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
