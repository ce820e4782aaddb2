#pragma once

#include <QString>

#include <cstdint>

class QWidget;

namespace vexa {

class DuplicateViewer;

// The collection "Bench" with one directory, for records of bench pictures.
struct BenchDirectory {
    std::int32_t collection = 0;
    std::int64_t item = 0;
    QString path;
};
BenchDirectory AddBenchDirectory(const QString &directory);

// A record for the file name in dir, as gathering stores it, with the given
// dimensions and a blank signature; returns its ID.
std::int32_t StoreBenchRecord(const QString &dir, const QString &name, std::int32_t collection,
    std::int64_t item, int width, int height);

// A record for a picture file of that directory, as gathering stores it, with
// the given dimensions; returns its ID.
std::int32_t StoreBenchPicture(
    const BenchDirectory &directory, const QString &file, int width, int height);

// A duplicate viewer on the set's first group in a 1280 x 960 window, returned
// once its first rebuild has run and its thumbnails are loaded.
DuplicateViewer *ShowViewerWhenLoaded(QWidget &window);

}  // namespace vexa
