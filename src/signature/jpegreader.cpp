#include "signature/jpegreader.h"

#include <QSysInfo>

#include <cstring>

namespace vexa {

JpegReader::JpegReader(FILE *file)
{
    m_info.err = jpeg_std_error(&m_errors.manager);
    m_errors.manager.error_exit = errorExit;
    m_errors.manager.emit_message = emitMessage;
    m_errors.reader = this;
    jpeg_create_decompress(&m_info);
    jpeg_stdio_src(&m_info, file);
}

JpegReader::JpegReader(const char *bytes, std::size_t size)
{
    m_info.err = jpeg_std_error(&m_errors.manager);
    m_errors.manager.error_exit = errorExit;
    m_errors.manager.emit_message = emitMessage;
    m_errors.reader = this;
    jpeg_create_decompress(&m_info);
    jpeg_mem_src(&m_info, reinterpret_cast<const unsigned char *>(bytes), (unsigned long)size);
}

JpegReader::~JpegReader()
{
    jpeg_destroy_decompress(&m_info);
}

// libjpeg's errors end the call that met them: back to its setjmp.
void JpegReader::errorExit(j_common_ptr info)
{
    JpegReader *reader = reinterpret_cast<ErrorManager *>(info->err)->reader;
    char text[JMSG_LENGTH_MAX] = { 0 };
    info->err->format_message(info, text);
    if (reader->m_reason.isEmpty())
        reader->m_reason = QString::fromLocal8Bit(text);
    std::longjmp(reader->m_jump, 1);
}

// Level -1 is a warning about the data ("Premature end of JPEG file",
// "Corrupt JPEG data: ..."): the picture would be damaged, so it fails like
// an error. Higher levels are trace messages.
void JpegReader::emitMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return;
    errorExit(info);
}

void JpegReader::progress(j_common_ptr info)
{
    JpegReader *reader = reinterpret_cast<ErrorManager *>(info->err)->reader;
    if (reader->m_inTime && !(*reader->m_inTime)()) {
        reader->m_reason = QStringLiteral("decode cancelled: it took too long");
        std::longjmp(reader->m_jump, 1);
    }
}

bool JpegReader::readHeader()
{
    if (setjmp(m_jump))
        return false;
    jpeg_save_markers(&m_info, JPEG_APP0 + 1, 0xFFFF);
    if (jpeg_read_header(&m_info, TRUE) != JPEG_HEADER_OK) {
        m_reason = QStringLiteral("no JPEG image in the file");
        return false;
    }
    readOrientation();
    return true;
}

bool JpegReader::plainColour() const
{
    if (m_info.data_precision != 8)
        return false;
    return (m_info.num_components == 1 && m_info.jpeg_color_space == JCS_GRAYSCALE)
        || (m_info.num_components == 3 && m_info.jpeg_color_space == JCS_YCbCr);
}

namespace {

unsigned readUnsigned(const unsigned char *at, int bytes, bool bigEndian)
{
    unsigned value = 0;
    for (int i = 0; i < bytes; ++i)
        value |= unsigned(at[i]) << (8 * (bigEndian ? bytes - 1 - i : i));
    return value;
}

}  // namespace

// Tag 0x0112 of the first image directory of the EXIF block (APP1 "Exif\0\0",
// then a TIFF header). Every offset is checked against the block's length.
void JpegReader::readOrientation()
{
    for (jpeg_saved_marker_ptr marker = m_info.marker_list; marker; marker = marker->next) {
        if (marker->marker != JPEG_APP0 + 1 || marker->data_length < 14
            || std::memcmp(marker->data, "Exif\0\0", 6) != 0)
            continue;
        m_exif = QByteArrayView(
            reinterpret_cast<const char *>(marker->data), qsizetype(marker->data_length));
        const unsigned char *tiff = marker->data + 6;
        const unsigned length = marker->data_length - 6;
        const bool big = tiff[0] == 'M' && tiff[1] == 'M';
        if (!big && !(tiff[0] == 'I' && tiff[1] == 'I'))
            return;
        if (readUnsigned(tiff + 2, 2, big) != 42)
            return;
        const unsigned directory = readUnsigned(tiff + 4, 4, big);
        if (directory > length - 2)
            return;
        const unsigned entries = readUnsigned(tiff + directory, 2, big);
        for (unsigned i = 0; i < entries; ++i) {
            const unsigned entry = directory + 2 + i * 12;
            if (entry > length - 12)
                return;
            if (readUnsigned(tiff + entry, 2, big) != 0x0112)
                continue;
            const unsigned type = readUnsigned(tiff + entry + 2, 2, big);
            const unsigned value = type == 3 ? readUnsigned(tiff + entry + 8, 2, big)
                : type == 4                  ? readUnsigned(tiff + entry + 8, 4, big)
                                             : 0;
            m_orientation = value >= 1 && value <= 8 ? int(value) : 0;
            return;
        }
        return;
    }
}

QSize JpegReader::scaledSize(unsigned denominator)
{
    if (setjmp(m_jump))
        return QSize();
    m_info.scale_num = 1;
    m_info.scale_denom = denominator;
    jpeg_calc_output_dimensions(&m_info);
    return QSize(int(m_info.output_width), int(m_info.output_height));
}

bool JpegReader::decode(unsigned denominator, const std::function<bool()> &inTime, QImage &picture)
{
    m_inTime = &inTime;
    m_info.scale_num = 1;
    m_info.scale_denom = denominator;
    // libjpeg's default, which ImageMagick's coder keeps too: the same pixels.
    m_info.dct_method = JDCT_ISLOW;
    const bool ok = decodeRows(picture);
    m_inTime = nullptr;
    if (!ok)
        picture = QImage();
    return ok;
}

bool JpegReader::decodeRows(QImage &picture)
{
    if (setjmp(m_jump))
        return false;
    m_progress.progress_monitor = progress;
    m_info.progress = &m_progress;
    // Straight into the picture's rows: B, G, R, 0xFF bytes are
    // Format_RGB32 on a little-endian machine, 0xFF, R, G, B on a big one.
    m_info.out_color_space
        = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? JCS_EXT_BGRX : JCS_EXT_XRGB;
    jpeg_calc_output_dimensions(&m_info);
    picture = QImage(int(m_info.output_width), int(m_info.output_height), QImage::Format_RGB32);
    if (picture.isNull()) {
        m_reason = QStringLiteral("out of memory for the picture");
        return false;
    }
    jpeg_start_decompress(&m_info);
    while (m_info.output_scanline < m_info.output_height) {
        if (!(*m_inTime)()) {
            m_reason = QStringLiteral("decode cancelled: it took too long");
            return false;
        }
        JSAMPROW row = picture.scanLine(int(m_info.output_scanline));
        jpeg_read_scanlines(&m_info, &row, 1);
    }
    jpeg_finish_decompress(&m_info);
    return true;
}

}  // namespace vexa
