#pragma once

#include <QLocale>
#include <QString>
#include <QVariant>

#include <cstdint>

namespace vexa {

// Row counts of the whole tables, through the open record sets; 0 on error.
std::int32_t CountCollections();
std::int32_t CountCollectionItems();
std::int32_t CountFileData();

// Both deletion counters become 0. Errors reach the caller.
void ResetStatistics();

// Adds deleted files to the counters: files, and bytes / 1024 rounded half
// to even as kilobytes. The counters are 64-bit and saturate instead of
// overflowing, so no count can ever stop a deletion; a Null counter stays
// Null. Errors reach the caller.
void AddDeletionStatistics(std::int64_t files, std::int64_t bytes);

// Kilobytes of a byte count, halves to even: 1536 -> 2, 2560 -> 2.
std::int64_t KilobytesHalfEven(std::int64_t bytes);

// A count in the format "#,###,###,##0" with the locale's grouping; an
// invalid (Null) value gives an empty text.
QString FormatStatisticsNumber(const QVariant &value, const QLocale &locale = QLocale());

struct StatisticsValues {
    std::int64_t collections = 0;
    std::int64_t directories = 0;
    std::int64_t files = 0;
    QVariant filesDeleted;  // TotalFilesNarrated, may be Null
    QVariant kilobytesDeleted;  // TotalBytesNarrated, may be Null
};

// The five lines of the statistics view: label, tab, number, carriage return.
QString StatisticsText(const StatisticsValues &values, const QLocale &locale = QLocale());
// The values now in the database.
StatisticsValues CurrentStatistics();

// The statistics view: the text above in an information box, title 723.
void ShowStatistics();
// The reset command: ResetStatistics, then the confirmation 722 / 723.
// A failed reset is reported ("frmVEXA", "ResetStatistics") instead.
void ClearStatisticsCommand();

}  // namespace vexa
