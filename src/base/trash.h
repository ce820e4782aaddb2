#pragma once

#include <QString>

namespace vexa {

// Moves a file into the freedesktop trash of its own file system, so the
// desktop's trash can restore it: the home trash ($XDG_DATA_HOME/Trash) for
// a file on the home file system, otherwise $topdir/.Trash/$uid or
// $topdir/.Trash-$uid of the file's mount. The file is never copied and
// never removed when no trash can take it (another file system without a
// usable trash, a read-only medium): then false, with the reason.
// Any thread; touches only the file and the trash directories.
bool MoveToTrash(const QString &path, QString *reason = nullptr);

}  // namespace vexa
