#pragma once

#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace vexa {

// Thumbnail tile geometry. Sizes are in twips, as the tiles were designed;
// the widgets convert with the screen's twips per pixel.

inline constexpr int kMinThumbSize = 5;
inline constexpr int kMaxThumbSize = 20;
inline constexpr int kDefaultThumbSize = 10;
// The source and at most this many duplicates are shown per group.
inline constexpr int kMaxDuplicateTiles = 63;

// A ThumbSize setting as stored (Null, out of range) turned into a tile size.
int ClampThumbSize(const QVariant &stored);

// Tile size S (5..20): S / 10 x 2400 by S / 10 x 2800, rounded.
QSize TileSizeTwips(int size);

// The two labels of a tile: height in twips and font size in points.
struct LabelBand {
    int height = 0;
    int points = 0;
};
// Nothing for a size outside 5..20 (the labels stay as they are).
std::optional<LabelBand> LabelBandFor(int size);

// The inner layout of a tile of the given size with labels labelHeight high.
struct TileLayout {
    QRect picture;  // imgThumb
    QRect fileName;  // lblFileName
    QRect fileInfo;  // lblFileInfo
};
TileLayout LayOutTile(const QSize &tile, int labelHeight);

// Where a picture goes inside the thumbnail box: the whole box width for a
// landscape picture (centred vertically), the whole height otherwise
// (centred horizontally), aspect ratio kept; rounded half to even.
QRect ThumbnailRect(const QSize &picture, const QSize &box);

// Twips to pixels, rounded half to even.
int TwipsToPixels(int twips, int twipsPerPixel);

// Tiles in one row of a viewport of that width: the same count the flow of
// PlaceThumb puts in a row (whole tiles), at least 1.
int TilesPerRow(int viewportWidth, int tileWidth);

// The information label of a tile: "Dim: W x H     Size:  N bytes" with the
// prefixes of the current language.
struct TileInfo {
    QString dimPrefix;  // "Dim: "
    int width = 0;
    int height = 0;
    QString sizePrefix;  // "Size:  "
    std::int64_t size = 0;  // bytes
    QChar decimalPoint = QLatin1Char('.');
};
// The whole label.
QString TileInfoText(const TileInfo &info);
// The longest form of the label that fits (fits(text) tells): whole, then
// without " bytes", then the size in kB (below 1 MB) or MB (one decimal),
// then with single gaps, then without the size, then the dimensions alone,
// each behind an ellipsis. A number is never cut; "…" when nothing fits.
QString FitTileInfo(const TileInfo &info, const std::function<bool(const QString &)> &fits);

}  // namespace vexa
