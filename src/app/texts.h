#pragma once

#include <QString>

#include <span>

namespace vexa {

// One row of the compiled string table: English ids 101..1037, Dutch ids
// at the English id + 2000.
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

// Offset for a locale id: 1043 and 2067 (Dutch) give 2000, anything else 0.
int OffsetForLocaleId(int lcid);
// The Windows-style locale id of the user's locale (nl_NL 1043, nl_BE 2067,
// en_US 1033, ...).
int UserDefaultLocaleId();

// Reads LangOffset from the settings; when it is Null, takes it from the
// user's locale and stores it.
void InitialiseLanguage();

}  // namespace vexa
