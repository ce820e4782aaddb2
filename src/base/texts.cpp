#include "base/texts.h"

#include <QLocale>

#include <algorithm>

namespace vexa {

namespace {

int g_langOffset = 0;

const StringTableEntry *FindRow(int id)
{
    const auto table = StringTable();
    const auto it = std::lower_bound(table.begin(), table.end(), id,
        [](const StringTableEntry &e, int key) { return e.id < key; });
    return it == table.end() || it->id != id ? nullptr : &*it;
}

}  // namespace

int LangOffset()
{
    return g_langOffset;
}

void SetLangOffset(int offset)
{
    g_langOffset = offset;
}

QString RawText(int id)
{
    const StringTableEntry *row = FindRow(id);
    return row ? QString::fromUtf8(row->text) : QString();
}

QString Text(int id)
{
    return RawText(id + g_langOffset);
}

std::optional<QString> FindText(int id)
{
    const StringTableEntry *row = FindRow(id + g_langOffset);
    if (!row)
        return std::nullopt;
    return QString::fromUtf8(row->text);
}

QString ResourceNotFoundText(int id)
{
    return QStringLiteral("Resource with identifier '%1' not found").arg(id);
}

int OffsetForLocaleId(int lcid)
{
    return (lcid == 1043 || lcid == 2067) ? 2000 : 0;
}

int LocaleIdOf(const QLocale &locale)
{
    if (locale.language() == QLocale::Dutch)
        return locale.territory() == QLocale::Belgium ? 2067 : 1043;
    switch (locale.language()) {
    case QLocale::German: return 1031;
    case QLocale::French: return 1036;
    case QLocale::English: return locale.territory() == QLocale::UnitedKingdom ? 2057 : 1033;
    // LOCALE_CUSTOM_UNSPECIFIED: a locale without an id of its own.
    default: return 0x1000;
    }
}

int UserDefaultLocaleId()
{
    return LocaleIdOf(QLocale::system());
}

}  // namespace vexa
