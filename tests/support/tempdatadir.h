#pragma once

#include <QString>
#include <QTemporaryDir>

namespace vexa::test {

// A temporary program directory holding a fresh VEXA.MDB, opened as the
// application database for the object's lifetime (closed afterwards).
// Removes a directory tree by its bytes: QTemporaryDir cannot remove names
// that are not UTF-8, which the tests of such names leave behind otherwise.
void RemoveTreeOnDisk(const QString &path);

class TempDataDir {
public:
    explicit TempDataDir(bool openDatabase = true);
    ~TempDataDir();

    QString path() const { return m_dir.path(); }
    QString file(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

}  // namespace vexa::test
