#pragma once

#include <QString>

namespace vexa {

// The process-wide "delete into the trash" flag (the AllowUndo setting),
// loaded by the main window's initialisation; off during start-up.
bool AllowUndoFlag();
void SetAllowUndoFlag(bool on);

// Deletes a file: into the freedesktop trash when allowUndo is on, otherwise
// removed outright. Never asks. Returns true when the file is gone.
bool ShellDelete(const QString &path, bool allowUndo);
// Renames a file; never replaces an existing target. Never asks.
bool ShellRename(const QString &from, const QString &to);

}  // namespace vexa
