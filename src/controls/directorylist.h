#pragma once

#include <QString>
#include <QTreeWidget>

namespace vexa {

// The directory list box: the directories from the file system root down to
// the current one, opened, and the sub-directories of the current one below
// it. Activating an entry (double click, Enter) makes it current. Paths are
// stored names (base/diskpath.h) and shown as a person reads them; hidden
// directories are left out. Interface thread only.
class DirectoryList : public QTreeWidget {
    Q_OBJECT
public:
    explicit DirectoryList(QWidget *parent = nullptr);

    // The current directory, without a trailing "/" (the root is "/").
    QString Path() const { return m_path; }
    // Makes path current and lists it again; raises Change when it differs.
    void SetPath(const QString &path);
    // Lists the current directory again.
    void Refresh();
    // The directory an entry stands for.
    static QString PathOf(const QTreeWidgetItem *item);

    // The path itself when it is a directory, otherwise its nearest
    // ancestor that is one; empty when not even the root can be read.
    static QString NearestExistingDirectory(const QString &path);

signals:
    void Change();

private:
    void fill();

    QString m_path = QStringLiteral("/");
};

}  // namespace vexa
