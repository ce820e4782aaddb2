#pragma once

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

#include <cstdint>

namespace vexa {

// The one image decoder of the program. Every ImageMagick call lives in
// imageloader.cpp.
//
// Threads: InitialiseImageLoader() is called once on the main thread at
// start-up (later calls do nothing; a loader call made before it initialises
// on first use, guarded by a once-flag). After that every function here may
// be called from several threads at once: each call owns its own decoder
// objects and the limits are process-wide and read-only.

// Refused before decoding: wider or taller than this (dimensions are stored
// as signed 16-bit fields), or more pixels than kMaxImagePixels, or a file
// larger than kMaxImageFileBytes.
inline constexpr int kMaxImageSide = 32767;
inline constexpr std::int64_t kMaxImagePixels = 120'000'000;
inline constexpr std::int64_t kMaxImageFileBytes = 512LL * 1024 * 1024;
// A decode that runs longer than this is cancelled (a damaged file can make
// some decoders spin).
inline constexpr int kMaxDecodeSeconds = 30;

// Bytes of pixel memory that all decodes of the process together may hold at
// once (the decoder's pixel cache, its row buffers and the picture handed
// back), before the machine's own share is taken into account
// (DecodeMemoryBudget). Each decode estimates its need from the header before
// it decodes and waits until the budget has room, so the thread count changes
// only the speed, never which files load. A picture whose estimate alone
// exceeds the budget decodes while no other decode runs, its pixel cache on
// disk in the decoder's temporary directory.
inline constexpr std::int64_t kMaxDecodeMemoryBytes = 256LL * 1024 * 1024;

void InitialiseImageLoader();

// The budget in force: kMaxDecodeMemoryBytes, or less on a machine with
// little memory (a quarter of the physical memory) or when the system's
// ImageMagick policy allows less.
std::int64_t DecodeMemoryBudget();

// Makes directory the decoder's private temporary directory (disk pixel
// caches and its other temporary files) and removes what a killed run left
// there (files named magick-*). Call once at start-up, after the single-copy
// lock is held, on the calling thread before any decode runs; false when the
// directory cannot be made (the decoder then keeps the system's).
bool SetDecoderTemporaryDirectory(const QString &directory);
// The directory the decoder writes its temporary files to now.
QString DecoderTemporaryDirectory();

// What a load gives: success, the image's own pixel dimensions (always the
// file's, also when the picture was decoded smaller) and the picture, ready
// to be painted stretched into any rectangle. Both are as shown: a file's
// orientation tag (EXIF or TIFF, values 2-8) is applied, so a portrait
// photograph stored sideways comes out upright with its width and height
// exchanged. Format_RGB32 for opaque
// images, Format_ARGB32 when the file has transparency.
struct LoadedImage {
    bool ok = false;
    std::int16_t width = 0;
    std::int16_t height = 0;
    QImage picture;
    QString format;  // decoder that read it, e.g. "JPEG"
    QString reason;  // why it failed, for logs and the CLI
};

enum class DecodeSize {
    Full,  // every pixel, for viewers
    Sampling,  // at least kSamplingDecodeSide in both directions (JPEG DCT scaling)
};

// The picture of a reduced decode is never smaller than this in either
// direction (unless the image itself is), so stretching it to 63 x 63 gives
// the same result as stretching the full picture, within rounding.
inline constexpr int kSamplingDecodeSide = 256;

// Decodes the file by its content (the extension only breaks the tie for
// formats without a signature, such as TGA). Returns image.ok; a file that is
// missing, empty, truncated, not an image of an accepted type, or too large
// gives false quickly with a reason, never an exception.
bool LoadImageFile(const QString &path, LoadedImage &image, DecodeSize size = DecodeSize::Full);

// The same from bytes in memory; extensionHint as a file name suffix ("tga").
bool LoadImageData(const QByteArray &data, const QString &extensionHint, LoadedImage &image,
    DecodeSize size = DecodeSize::Full);

// A picture that fits in box (aspect ratio kept, never enlarged), decoded at
// reduced size where the format allows; width and height are the file's.
bool LoadImageThumbnail(const QString &path, const QSize &box, LoadedImage &image);

// The small picture a camera stores in a JPEG's EXIF block, as a first
// picture to show while the file itself decodes: decoded whole, turned by the
// file's orientation tag; width and height are the file's own (as shown).
// Refused (false with a reason) when the file has none, when it is not a
// plain JPEG or larger than kMaxEmbeddedThumbnailSide, or when its shape is
// not the image's within kEmbeddedThumbnailShapeTolerance (a letterboxed
// thumbnail of a 3:2 photograph, say). format is "EXIF thumbnail".
inline constexpr int kMaxEmbeddedThumbnailSide = 1024;
inline constexpr double kEmbeddedThumbnailShapeTolerance = 0.02;  // of the aspect ratio
bool LoadEmbeddedThumbnail(const QString &path, LoadedImage &image);

// Whether plain JPEGs (8-bit grey or YCbCr) of a sampling or thumbnail decode
// go to libjpeg directly (the default) rather than through ImageMagick; both
// give the same pixels. For tests and benchmarks that compare the two.
void SetDirectJpegDecoding(bool direct);

// The format ImageMagick's content check names for the start of a file
// ("JPE", "PNG", ...), empty when no coder claims it. listed: from the
// coders' checks read once at start-up, as every decode asks (no lock);
// false: ImageMagick's own walk. For tests that compare the two.
QString DetectImageFormat(const QByteArray &start, bool listed = true);

// Short names of the decoders this loader accepts.
QStringList AcceptedImageFormats();

}  // namespace vexa
