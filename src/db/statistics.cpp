#include "db/statistics.h"

#include "base/errors.h"
#include "base/messages.h"
#include "base/rounding.h"
#include "base/texts.h"
#include "db/appdatabase.h"

#include <limits>

namespace vexa {

namespace {

constexpr std::int64_t kCounterMax = std::numeric_limits<std::int64_t>::max();

RecordSet &systemSet()
{
    if (!AppDb().sysInfo)
        throw VexaError(ErrDatabaseNotOpen, QStringLiteral("Object invalid or no longer set."));
    return *AppDb().sysInfo;
}

std::int32_t rowCount(const std::unique_ptr<RecordSet> &set)
{
    try {
        if (!set)
            return 0;
        set->moveLast();
        return set->recordCount();
    } catch (const std::exception &) {
        return 0;
    }
}

std::int64_t saturatingAdd(std::int64_t a, std::int64_t b)
{
    if (b > 0 && a > kCounterMax - b)
        return kCounterMax;
    return a + b;
}

QVariant addTo(const QVariant &counter, std::int64_t amount)
{
    if (counter.isNull())
        return QVariant();  // Null stays Null; a reset gives the counter a value again
    return qlonglong(saturatingAdd(counter.toLongLong(), amount));
}

}  // namespace

std::int32_t CountCollections()
{
    return rowCount(AppDb().collections);
}

std::int32_t CountCollectionItems()
{
    return rowCount(AppDb().collectionItems);
}

std::int32_t CountFileData()
{
    return rowCount(AppDb().fileData);
}

void ResetStatistics()
{
    RecordSet &set = systemSet();
    set.moveFirst();
    set.edit();
    try {
        set.setValue(QStringLiteral("TotalFilesNarrated"), 0);
        set.setValue(QStringLiteral("TotalBytesNarrated"), 0);
        set.update();
    } catch (...) {
        set.cancelUpdate();
        throw;
    }
}

std::int64_t KilobytesHalfEven(std::int64_t bytes)
{
    return DivRoundHalfEven(bytes, 1024);
}

void AddDeletionStatistics(std::int64_t files, std::int64_t bytes)
{
    // Deletions only ever add: a negative argument counts as nothing.
    const std::int64_t addFiles = std::max<std::int64_t>(files, 0);
    const std::int64_t addKilobytes = std::max<std::int64_t>(KilobytesHalfEven(bytes), 0);
    RecordSet &set = systemSet();
    set.moveFirst();
    set.edit();
    try {
        set.setValue(QStringLiteral("TotalFilesNarrated"),
            addTo(set.value(QStringLiteral("TotalFilesNarrated")), addFiles));
        set.setValue(QStringLiteral("TotalBytesNarrated"),
            addTo(set.value(QStringLiteral("TotalBytesNarrated")), addKilobytes));
        set.update();
    } catch (...) {
        set.cancelUpdate();
        throw;
    }
}

QString FormatStatisticsNumber(const QVariant &value, const QLocale &locale)
{
    if (value.isNull() || !value.isValid())
        return {};
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return grouped.toString(qlonglong(value.toLongLong()));
}

QString StatisticsText(const StatisticsValues &values, const QLocale &locale)
{
    const QChar tab = QLatin1Char('\t');
    const QChar cr = QLatin1Char('\r');
    return Text(753) + tab + FormatStatisticsNumber(qlonglong(values.collections), locale) + cr
        + Text(754) + tab + FormatStatisticsNumber(qlonglong(values.directories), locale) + cr
        + Text(755) + tab + FormatStatisticsNumber(qlonglong(values.files), locale) + cr + Text(756)
        + tab + FormatStatisticsNumber(values.filesDeleted, locale) + cr + Text(757) + tab
        + FormatStatisticsNumber(values.kilobytesDeleted, locale) + QStringLiteral(" Kb") + cr;
}

StatisticsValues CurrentStatistics()
{
    StatisticsValues values;
    values.collections = CountCollections();
    values.directories = CountCollectionItems();
    values.files = CountFileData();
    try {
        // The current row of the system record set: its only row.
        RecordSet &set = systemSet();
        if (set.eof() || set.bof())
            set.moveFirst();
        values.filesDeleted = set.value(QStringLiteral("TotalFilesNarrated"));
        values.kilobytesDeleted = set.value(QStringLiteral("TotalBytesNarrated"));
    } catch (const std::exception &) {
        // A display only: a counter that cannot be read shows empty.
    }
    return values;
}

void ShowStatistics()
{
    Messages().show(
        StatisticsText(CurrentStatistics()), Text(723), MsgIcon::Information, MsgButtons::Ok);
}

void ClearStatisticsCommand()
{
    try {
        ResetStatistics();
    } catch (const std::exception &e) {
        ReportException(e, QStringLiteral("frmVEXA"), QStringLiteral("ResetStatistics"));
        return;
    }
    Messages().show(Text(722), Text(723), MsgIcon::Information, MsgButtons::Ok);
}

}  // namespace vexa
