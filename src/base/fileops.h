#pragma once

#include <QString>

namespace vexa {

// The process-wide "delete into the trash" flag (the AllowUndo setting),
// loaded by the main window's initialisation; off during start-up.
bool AllowUndoFlag();
void SetAllowUndoFlag(bool on);

// Why a file operation was not done.
enum class FileOpFailure { None, Missing, NotAFile, NoTrash, TargetExists, System };

// The result of one file operation: done, or why not. The reason is an
// English sentence (for the command line and the log); ReasonText gives the
// user's language.
struct FileOpResult {
    bool ok = false;
    FileOpFailure failure = FileOpFailure::None;
    QString reason;
    explicit operator bool() const { return ok; }
};

// The reason of a failed operation in the current language.
QString ReasonText(const FileOpResult &result);

// Deletes a file: into the freedesktop trash when allowUndo is on
// (MoveToTrash), otherwise removed outright. Where the trash cannot take the file (no trash
// directory on its file system, a read-only medium) the file stays where it is: a deletion the user
// asked to be undoable never becomes a permanent one. Never asks; works on disk-only files as well
// (no record is touched).
FileOpResult DeleteFile(const QString &path, bool allowUndo);
// Renames a file in one atomic step that never replaces an existing file,
// not even one created between a check and the rename. Never asks.
FileOpResult RenameFile(const QString &from, const QString &to);

// The bool forms of the two above.
bool ShellDelete(const QString &path, bool allowUndo);
bool ShellRename(const QString &from, const QString &to);

// True when both names reach one physical file (the same device and inode:
// a hard link, a directory reached through a symbolic link, two spellings).
// False when either cannot be examined.
bool SameFile(const QString &first, const QString &second);

// Byte-for-byte comparison of two files, stopping at the first differing
// 4096-byte block. Files of different sizes differ; two empty files are
// equal; a file that cannot be read is never equal to anything.
bool FilesIdentical(const QString &first, const QString &second);

}  // namespace vexa
