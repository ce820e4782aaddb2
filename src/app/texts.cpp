#include "app/texts.h"

#include "app/settings.h"

#include <QLocale>

#include <algorithm>

namespace vexa {

namespace {
int g_langOffset = 0;
}

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
    const auto table = StringTable();
    const auto it = std::lower_bound(table.begin(), table.end(), id,
                                     [](const StringTableEntry &e, int key) { return e.id < key; });
    if (it == table.end() || it->id != id)
        return {};
    return QString::fromUtf8(it->text);
}

QString Text(int id)
{
    return RawText(id + g_langOffset);
}

int OffsetForLocaleId(int lcid)
{
    return (lcid == 1043 || lcid == 2067) ? 2000 : 0;
}

int UserDefaultLocaleId()
{
    const QLocale locale = QLocale::system();
    if (locale.language() == QLocale::Dutch)
        return locale.territory() == QLocale::Belgium ? 2067 : 1043;
    switch (locale.language()) {
    case QLocale::German: return 1031;
    case QLocale::French: return 1036;
    case QLocale::English: return locale.territory() == QLocale::UnitedKingdom ? 2057 : 1033;
    default: return 1033;
    }
}

void InitialiseLanguage()
{
    const QVariant stored = GetSystemSetting(QStringLiteral("LangOffset"));
    if (stored.isNull()) {
        g_langOffset = OffsetForLocaleId(UserDefaultLocaleId());
        SaveSystemSetting(QStringLiteral("LangOffset"), g_langOffset);
    } else {
        g_langOffset = stored.toInt();
    }
}

}  // namespace vexa
