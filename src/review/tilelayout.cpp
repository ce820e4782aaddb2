#include "review/tilelayout.h"

#include "base/rounding.h"
#include "signature/imagefunc.h"

#include <QStringList>
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

namespace {

QString Dimensions(const TileInfo &info)
{
    return QString::number(info.width) + QStringLiteral(" x ") + QString::number(info.height);
}

// One decimal, rounded half to even, with the language's decimal point.
QString OneDecimal(double value, QChar point)
{
    const auto tenths = std::int64_t(RoundHalfEven(value * 10.0));
    return QString::number(tenths / 10) + point + QString::number(tenths % 10);
}

}  // namespace

QString TileInfoText(const TileInfo &info)
{
    return info.dimPrefix + Dimensions(info) + QStringLiteral("     ") + info.sizePrefix
        + QString::number(info.size) + QStringLiteral(" bytes");
}

QString FitTileInfo(const TileInfo &info, const std::function<bool(const QString &)> &fits)
{
    QStringList sizes
        = { QString::number(info.size) + QStringLiteral(" bytes"), QString::number(info.size) };
    if (info.size >= 1024 * 1024)
        sizes << OneDecimal(double(info.size) / (1024.0 * 1024.0), info.decimalPoint)
                + QStringLiteral(" MB");
    else if (info.size >= 1024)
        sizes << QString::number(std::int64_t(RoundHalfEven(double(info.size) / 1024.0)))
                + QStringLiteral(" kB");
    for (const QString &size : sizes) {
        const QString text
            = info.dimPrefix + Dimensions(info) + QStringLiteral("     ") + info.sizePrefix + size;
        if (fits(text))
            return text;
    }
    // The shortest size with single gaps; then the size, then the prefix
    // dropped behind an ellipsis, a part at a time.
    const QString dimensions = Dimensions(info);
    const QString candidates[] = {
        info.dimPrefix.trimmed() + QLatin1Char(' ') + dimensions + QLatin1Char(' ')
            + info.sizePrefix.trimmed() + QLatin1Char(' ') + sizes.last(),
        info.dimPrefix.trimmed() + QLatin1Char(' ') + dimensions + QStringLiteral(" \u2026"),
        dimensions + QStringLiteral(" \u2026"),
    };
    for (const QString &text : candidates) {
        if (fits(text))
            return text;
    }
    return QStringLiteral("\u2026");
}

}  // namespace vexa
