#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace vexa::test {

// Points HOME and XDG_DATA_HOME into a temporary directory for the object's
// lifetime, so deletions land in a trash the test can read and the user's
// own trash is never touched.
class TrashHome {
public:
    TrashHome();
    ~TrashHome();
    TrashHome(const TrashHome &) = delete;
    TrashHome &operator=(const TrashHome &) = delete;

    // The names of the files now in the trash, sorted.
    QStringList trashedFiles() const;
    // The original path recorded in a trashed file's .trashinfo.
    QString originalPathOf(const QString &trashedName) const;
    // Makes the trash impossible to create (its parent is a plain file), as
    // on a medium that has no trash; works when running as root too.
    void breakTrash();

private:
    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldDataHome;
    bool m_hadDataHome = false;
};

}  // namespace vexa::test
