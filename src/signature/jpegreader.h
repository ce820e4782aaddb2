#pragma once

#include <QByteArrayView>
#include <QImage>
#include <QSize>
#include <QString>

#include <csetjmp>
#include <cstdio>
#include <functional>

#include <jpeglib.h>

namespace vexa {

// libjpeg used directly for the JPEGs most files are: 8-bit grey or YCbCr.
// It does the same decode ImageMagick's JPEG coder does for them (same
// library, same DCT scaling, upsampling and colour conversion), without the
// coder's per-file set-up, the header read twice and the 16-bit pixel copy.
// Anything else (CMYK, 12-bit, unusual colour spaces) stays with ImageMagick.
// One reader decodes one file on one thread; several readers may run at once.
class JpegReader {
public:
    // Reads from the file's current position; the caller keeps it open.
    explicit JpegReader(FILE *file);
    JpegReader(const char *bytes, std::size_t size);
    ~JpegReader();
    JpegReader(const JpegReader &) = delete;
    JpegReader &operator=(const JpegReader &) = delete;

    // The header and the markers before the first scan. False with reason().
    bool readHeader();
    int width() const { return int(m_info.image_width); }
    int height() const { return int(m_info.image_height); }
    // 8-bit grey or YCbCr: what decode() takes.
    bool plainColour() const;
    bool progressive() const { return m_info.progressive_mode != 0; }
    int components() const { return m_info.num_components; }
    // The EXIF orientation tag (1-8), 0 when the file has none.
    int orientation() const { return m_orientation; }
    // The EXIF block (APP1 data from "Exif\0\0" on) as read with the header;
    // empty when the file has none. Valid while the reader lives.
    QByteArrayView exifBlock() const { return m_exif; }

    // The size decode(denominator) gives: libjpeg's DCT scale for 1/denominator
    // (0 asks it to enlarge twice). An empty size when libjpeg refuses.
    QSize scaledSize(unsigned denominator);
    // The stored pixels at that scale, as Format_RGB32. inTime is asked between rows and passes of
    // the decoder; once it says false the decode stops and fails. A warning
    // about damaged data fails the decode as well (a truncated file would
    // otherwise come out with a grey tail). False with reason().
    bool decode(unsigned denominator, const std::function<bool()> &inTime, QImage &picture);

    QString reason() const { return m_reason; }

private:
    struct ErrorManager {
        jpeg_error_mgr manager;
        JpegReader *reader;
    };
    static void errorExit(j_common_ptr info);
    static void emitMessage(j_common_ptr info, int level);
    static void progress(j_common_ptr info);
    void readOrientation();
    bool decodeRows(QImage &picture);

    jpeg_decompress_struct m_info {};
    ErrorManager m_errors {};
    jpeg_progress_mgr m_progress {};
    std::jmp_buf m_jump {};
    const std::function<bool()> *m_inTime = nullptr;
    QString m_reason;
    int m_orientation = 0;
    QByteArrayView m_exif;
};

}  // namespace vexa
