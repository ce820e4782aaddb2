// libFuzzer target: bytes -> image loader -> signature, with the loader's own
// limits (file size, pixel count, side length, decode deadline). Any crash,
// sanitizer report, hang or failure that is not clean is a finding.
#include "signature/imagefunc.h"
#include "signature/imageloader.h"

#include <QByteArray>
#include <QCoreApplication>

#include <cstddef>
#include <cstdint>

namespace {

// Marks a finding that is not a crash: libFuzzer saves the input.
void finding(bool broken)
{
    if (broken)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    // The loader asks Qt for the program's path when it starts ImageMagick.
    static int qtArgc = 1;
    static QCoreApplication app(qtArgc, *argv);
    vexa::InitialiseImageLoader();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray bytes
        = QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size));
    vexa::LoadedImage image;
    // The "tga" hint sends bytes no content check recognises to the TGA
    // decoder, the one format recognised by extension only; recognised
    // content goes to its own decoder whatever the hint.
    if (!vexa::LoadImageData(bytes, QStringLiteral("tga"), image, vexa::DecodeSize::Sampling)) {
        finding(image.reason.isEmpty() || !image.picture.isNull() || image.ok);
        return 0;
    }
    finding(image.width <= 0 || image.height <= 0 || image.picture.isNull());
    const vexa::ComputedSignature signature
        = vexa::SignatureOfPicture(image.picture, image.width, image.height);
    finding(signature.signature.Pattern.size() != 64);
    return 0;
}
