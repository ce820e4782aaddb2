#include "review/tilelayout.h"

#include "base/rounding.h"
#include "signature/imagefunc.h"

#include <QVariant>

#include <algorithm>

namespace vexa {

int ClampThumbSize(const QVariant &stored)
{
    bool ok = false;
    const int size = stored.toInt(&ok);
    if (!stored.isValid() || stored.isNull() || !ok)
        return kDefaultThumbSize;
    return std::clamp(size, kMinThumbSize, kMaxThumbSize);
}

QSize TileSizeTwips(int size)
{
    return QSize(int(RoundHalfEven(size / 10.0 * 2400)), int(RoundHalfEven(size / 10.0 * 2800)));
}

std::optional<LabelBand> LabelBandFor(int size)
{
    if (size >= 5 && size <= 10)
        return LabelBand { 260, 6 };
    if (size >= 11 && size <= 15)
        return LabelBand { 280, 8 };
    if (size >= 16 && size <= 20)
        return LabelBand { 300, 10 };
    return std::nullopt;
}

TileLayout LayOutTile(const QSize &tile, int labelHeight)
{
    TileLayout layout;
    const int innerWidth = tile.width() - 120;
    layout.picture = QRect(40, 40, innerWidth, tile.height() - 2 * labelHeight - 80);
    const int pictureBottom = layout.picture.top() + layout.picture.height();
    layout.fileName = QRect(40, pictureBottom, innerWidth, labelHeight);
    layout.fileInfo = QRect(40, pictureBottom + labelHeight, innerWidth, labelHeight);
    return layout;
}

QRect ThumbnailRect(const QSize &picture, const QSize &box)
{
    // The box is almost square, so this gives the full width for landscape
    // and the full height for portrait pictures, without stretching either.
    return FittedRectangle(QSizeF(picture), QSizeF(box));
}

int TwipsToPixels(int twips, int twipsPerPixel)
{
    return int(DivRoundHalfEven(twips, std::max(1, twipsPerPixel)));
}

int TilesPerRow(int viewportWidth, int tileWidth)
{
    if (tileWidth <= 0)
        return 1;
    return std::max(1, viewportWidth / tileWidth);
}

}  // namespace vexa
