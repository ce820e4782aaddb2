#include "base/keeprule.h"

#include <QStringList>

#include <algorithm>

namespace vexa {

namespace {

const char *const kKeyWords[] = { "pixels", "size", "oldest", "shortest" };

}  // namespace

std::optional<std::vector<KeepKey>> ParseKeepKeys(const QString &text)
{
    std::vector<KeepKey> keys;
    for (const QString &word : text.split(QLatin1Char(','))) {
        const QString w = word.trimmed().toLower();
        int found = -1;
        for (int k = 0; k < 4; ++k) {
            if (w == QLatin1String(kKeyWords[k]))
                found = k;
        }
        if (found < 0 || std::find(keys.begin(), keys.end(), KeepKey(found)) != keys.end())
            return std::nullopt;
        keys.push_back(KeepKey(found));
    }
    return keys;
}

QString KeepKeysText(const std::vector<KeepKey> &keys)
{
    QStringList words;
    for (const KeepKey key : keys)
        words.append(QLatin1String(kKeyWords[int(key)]));
    return words.join(QLatin1Char(','));
}

}  // namespace vexa
