#pragma once

#include "signature/imageloader.h"

#include <QByteArray>
#include <QSize>
#include <QString>

namespace vexa {

// The thumbnail cache the desktop shares ($XDG_CACHE_HOME/thumbnails, else
// ~/.cache/thumbnails): file managers fill it, and so do we. A thumbnail is
// trusted only when its Thumb::URI names the file and its Thumb::MTime is the
// file's modification time; anything else (stale, foreign, corrupt) is
// ignored and the file decoded as without a cache. Safe on any thread: every
// call reads the environment afresh and writes through a private temporary
// name renamed into place.

// "file:///path" with the path's bytes percent-encoded, as the desktop
// names a local file.
QByteArray ThumbnailUri(const QString &path);
// The cache directory (no trailing slash); empty when there is no home.
QString ThumbnailCacheDirectory();

// Like LoadImageThumbnail (the picture fits in box, never enlarged; width and
// height are the file's), served from the shared cache when it holds a
// trusted thumbnail large enough for box; otherwise decoded and written back
// (normal 128, large 256, x-large 512 pixels) for the next time. A file that
// does not decode is recorded under fail/; a cache that cannot be written is
// left alone without a word.
bool LoadSharedThumbnail(const QString &path, const QSize &box, LoadedImage &image);
// Only what the cache holds: false (image untouched) when it has no trusted
// thumbnail large enough for box.
bool LoadCachedThumbnail(const QString &path, const QSize &box, LoadedImage &image);
// The write-back happens after LoadSharedThumbnail returned, on a thread of
// idle priority; this waits until every write asked for so far is done.
void WaitForSharedThumbnailWrites();

}  // namespace vexa
