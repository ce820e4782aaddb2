#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace vexa {

// The rule keep-best chooses the copy that stays by: keys compared in order,
// optionally after a preferred directory. Stored in the settings as
// KeepBestRule (the keys' text) and KeepBestPreferred.

enum class KeepKey {
    Pixels,  // more pixels (width x height) wins
    Size,  // the larger file wins
    Oldest,  // the earlier modification time wins
    Shortest,  // the shorter path wins
};

struct KeepRule {
    std::vector<KeepKey> keys { KeepKey::Pixels, KeepKey::Size, KeepKey::Oldest,
        KeepKey::Shortest };
    // Files under this directory win before any key; empty: none.
    QString preferredDirectory;
};

// "pixels,size,oldest,shortest": each key at most once, in the order given;
// nothing when a word is unknown, repeated or the text empty.
std::optional<std::vector<KeepKey>> ParseKeepKeys(const QString &text);
QString KeepKeysText(const std::vector<KeepKey> &keys);

}  // namespace vexa
