#include "signature/exifthumbnail.h"

#include <cstdint>
#include <cstring>

namespace vexa {
namespace {

constexpr std::uint16_t kThumbnailOffsetTag = 0x0201;
constexpr std::uint16_t kThumbnailLengthTag = 0x0202;
constexpr std::uint16_t kShortType = 3;
constexpr std::uint16_t kLongType = 4;

// The TIFF structure inside the block. Every read is checked against its
// length; offsets are 64-bit so no sum of two 32-bit fields wraps.
class Tiff {
public:
    Tiff(const unsigned char *bytes, std::uint64_t length, bool bigEndian)
        : m_bytes(bytes)
        , m_length(length)
        , m_big(bigEndian)
    {
    }
    std::uint64_t length() const { return m_length; }
    // Whether size bytes at offset lie inside the block.
    bool has(std::uint64_t offset, std::uint64_t size) const
    {
        return offset <= m_length && size <= m_length - offset;
    }
    std::uint32_t read(std::uint64_t offset, int size) const
    {
        std::uint32_t value = 0;
        for (int i = 0; i < size; ++i)
            value |= std::uint32_t(m_bytes[offset + std::uint64_t(i)])
                << (8 * (m_big ? size - 1 - i : i));
        return value;
    }

private:
    const unsigned char *m_bytes;
    std::uint64_t m_length;
    bool m_big;
};

// The offset of the directory that follows the one at directory, 0 when
// there is none or it cannot be read.
std::uint64_t nextDirectory(const Tiff &tiff, std::uint64_t directory)
{
    if (!tiff.has(directory, 2))
        return 0;
    const std::uint64_t entries = tiff.read(directory, 2);
    const std::uint64_t link = directory + 2 + entries * 12;
    return tiff.has(link, 4) ? tiff.read(link, 4) : 0;
}

// A SHORT or LONG value of a tag with one value; false when the entry
// holds anything else.
bool singleNumber(const Tiff &tiff, std::uint64_t entry, std::uint32_t &value)
{
    const std::uint32_t type = tiff.read(entry + 2, 2);
    if (tiff.read(entry + 4, 4) != 1)
        return false;
    if (type == kShortType)
        value = tiff.read(entry + 8, 2);
    else if (type == kLongType)
        value = tiff.read(entry + 8, 4);
    else
        return false;
    return true;
}

}  // namespace

QByteArrayView ExifThumbnail(QByteArrayView exif)
{
    // "Exif\0\0", then the TIFF header: byte order, 42, first directory.
    if (exif.size() < 14 || std::memcmp(exif.data(), "Exif\0\0", 6) != 0)
        return {};
    const auto *start = reinterpret_cast<const unsigned char *>(exif.data()) + 6;
    const bool big = start[0] == 'M' && start[1] == 'M';
    if (!big && !(start[0] == 'I' && start[1] == 'I'))
        return {};
    const Tiff tiff(start, std::uint64_t(exif.size()) - 6, big);
    if (tiff.read(2, 2) != 42)
        return {};
    const std::uint64_t first = tiff.read(4, 4);
    const std::uint64_t second = nextDirectory(tiff, first);
    // A directory that points back at the first cannot be the thumbnail's.
    if (second == 0 || second == first || !tiff.has(second, 2))
        return {};
    const std::uint64_t entries = tiff.read(second, 2);
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
    bool haveOffset = false;
    bool haveLength = false;
    for (std::uint64_t i = 0; i < entries; ++i) {
        const std::uint64_t entry = second + 2 + i * 12;
        if (!tiff.has(entry, 12))
            return {};
        const std::uint32_t tag = tiff.read(entry, 2);
        if (tag == kThumbnailOffsetTag)
            haveOffset = singleNumber(tiff, entry, offset);
        else if (tag == kThumbnailLengthTag)
            haveLength = singleNumber(tiff, entry, length);
    }
    // At least a start-of-image marker and something after it.
    if (!haveOffset || !haveLength || length < 4 || !tiff.has(offset, length))
        return {};
    const char *bytes = exif.data() + 6 + offset;
    if (quint8(bytes[0]) != 0xFF || quint8(bytes[1]) != 0xD8)
        return {};
    return QByteArrayView(bytes, qsizetype(length));
}

}  // namespace vexa
