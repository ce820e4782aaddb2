#pragma once

#include <QString>

#include <optional>
#include <span>

class QLocale;

namespace vexa {

// One row of the compiled string table: English ids 101..1037 (texts added
// beside the system's own at 1950..1999), Dutch ids at the English id + 2000.
struct StringTableEntry {
    int id;
    const char *text;  // UTF-8
};

// The whole table, sorted by id.
std::span<const StringTableEntry> StringTable();

// Language offset: 0 selects English, 2000 Dutch. 0 until the language is
// initialised, so everything shown before that is English.
int LangOffset();
void SetLangOffset(int offset);

// The text with the given id in the current language; empty for an unknown id.
QString Text(int id);
// The text at exactly this id, offset already applied by the caller.
QString RawText(int id);
// The text with the given id in the current language, or nothing when the
// table has no such row (Text() cannot tell that from an empty text).
std::optional<QString> FindText(int id);

// The number and text of the error a missing table row raises where the
// caller must not go on ("Resource with identifier '2999' not found").
constexpr long ErrResourceNotFound = 326;
QString ResourceNotFoundText(int id);

// Where messages 702 and 704 send the user; the contact box shows the same.
inline constexpr char kHomePageAddress[] = "https://vexa-ii.example.org";
inline constexpr char kBugReportAddress[] = "bugs@vexa-ii.example.org";

// Offset for a locale id: 1043 and 2067 (Dutch) give 2000, anything else 0.
int OffsetForLocaleId(int lcid);
// The Windows-style locale id of a locale (nl_NL 1043, nl_BE 2067,
// en_US 1033, de_DE 1031, ...), and of the user's locale.
int LocaleIdOf(const QLocale &locale);
int UserDefaultLocaleId();

}  // namespace vexa
