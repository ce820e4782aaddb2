#pragma once

#include <QString>

#include <cstdint>

namespace vexa {

// The file part of an image's record: what gathering hands StoreImageData and
// what RetrieveImageFileInformation reads back for the duplicate viewer.
struct ImageFileInfo {
    QString Directory;  // without trailing "/"
    QString FileName;  // without directory
    // Wider than the stored 32-bit and 16-bit fields so that an unusually
    // large file or picture is stored as it is instead of wrapping round; the
    // database columns hold 64-bit integers.
    std::int64_t FileSize = 0;  // bytes
    std::int32_t DimX = 0;  // pixels
    std::int32_t DimY = 0;  // pixels
};

}  // namespace vexa
