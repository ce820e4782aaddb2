#pragma once

#include <QColor>
#include <QFont>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <QWidget>

class QListWidget;

namespace vexa {

// uctrlFileListBox: the files of one directory that match several ";"
// separated patterns at once, filtered by file attributes, in an inner list
// (lstFileListBox). Interface thread only.
//
// File attributes on Linux, as near as the file system allows:
// - hidden: the name starts with ".";
// - read-only: the owner's write permission bit is clear (the bit, not an
//   access check, so running as root changes nothing);
// - system: special files (fifos, sockets, devices); Linux has no system bit;
// - archive: every regular file. Linux keeps no archive bit, and the other
//   platform sets it on every file written, so nearly all files carry it.
// Listing rule for a mask (the values of AttributeMask): hidden and system
// files are left out unless their flag is set; with Normal (exclusive) a file
// needs at least one selected attribute; without Normal a read-only file needs
// the ReadOnly flag. Pattern matching ignores letter case ("*.jpg" lists
// "A.JPG"); names are listed once, in piece order and by name within a piece.
class FileListBox : public QWidget {
    Q_OBJECT
public:
    enum AttributeValue {
        AttrReadOnly = 1,
        AttrHidden = 2,
        AttrSystem = 4,
        AttrArchive = 32,
        AttrExclusive = 32768
    };

    explicit FileListBox(QWidget *parent = nullptr);

    // Stored without trailing "/"; a new value lists the directory, every
    // assignment raises PathChanged.
    QString Path() const { return m_path; }
    void SetPath(const QString &path);
    QString Pattern() const { return m_pattern; }
    void SetPattern(const QString &pattern);

    bool Archive() const { return m_archive; }
    void SetArchive(bool on);
    bool Compressed() const { return m_compressed; }  // stored only
    void SetCompressed(bool on);
    bool Hidden() const { return m_hidden; }
    void SetHidden(bool on);
    bool System() const { return m_system; }
    void SetSystem(bool on);
    bool Normal() const { return m_normal; }
    void SetNormal(bool on);
    bool ReadOnly() const { return m_readOnly; }
    void SetReadOnly(bool on);
    int AttributeMask() const;

    QColor BackColor() const;
    void SetBackColor(const QColor &color);
    QColor ForeColor() const;
    void SetForeColor(const QColor &color);
    bool Enabled() const { return isEnabled(); }
    void SetEnabled(bool on);
    QFont Font() const;
    void SetFont(const QFont &font);
    int BackStyle() const { return m_backStyle; }
    void SetBackStyle(int style);
    int BorderStyle() const { return m_borderStyle; }
    void SetBorderStyle(int style);
    bool CausesValidation() const { return m_causesValidation; }
    void SetCausesValidation(bool on);
    int ListIndex() const;
    void SetListIndex(int index);
    QString ToolTipText() const { return m_toolTipText; }
    void SetToolTipText(const QString &text);
    qint32 WhatsThisHelpID() const { return m_whatsThisHelpId; }
    void SetWhatsThisHelpID(qint32 id);

    // Read-only, from the inner list.
    QString List(int index) const;
    int ListCount() const;
    QListWidget *ListHwnd() const { return m_list; }
    bool MultiSelect() const;
    bool IntegralHeight() const { return true; }
    bool Sorted() const { return false; }
    int Style() const { return 0; }

    // Lists the directory again.
    void Refresh();
    // Action 1 inserts item at index, 2 removes the entry at index; others do nothing.
    void ModifyListItem(int action, int index, const QString &item);

    // The host's property store: every designable property under its own name;
    // a missing entry takes the default.
    QVariantMap SaveProperties() const;
    void RestoreProperties(const QVariantMap &store);
    const QSet<QString> &changedProperties() const { return m_changed; }

    // How many listings ran (a path listed once, a forced pattern relisting).
    int listingCount() const { return m_listings; }
    // False when the last listing could not read the directory.
    bool lastListingRead() const { return m_lastRead; }

signals:
    void Click();
    void DblClick();
    void KeyDown(int keyCode, int shift);
    void KeyPress(int keyAscii);
    void KeyUp(int keyCode, int shift);
    void MouseDown(int button, int shift, float x, float y);
    void MouseMove(int button, int shift, float x, float y);
    void MouseUp(int button, int shift, float x, float y);
    void PathChanged();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void listDirectory(bool forced);
    bool fileListed(int attributes, int mask) const;
    void markChanged(const char *name) { m_changed.insert(QString::fromLatin1(name)); }

    QListWidget *m_list = nullptr;
    QString m_path = QStringLiteral("/");
    QString m_pattern = QStringLiteral("*.*");
    QString m_lastListed;
    bool m_hasListed = false;
    bool m_archive = true;
    bool m_compressed = true;
    bool m_hidden = true;
    bool m_system = true;
    bool m_normal = true;
    bool m_readOnly = true;
    int m_backStyle = 1;
    int m_borderStyle = 0;
    bool m_causesValidation = true;
    QString m_toolTipText;
    qint32 m_whatsThisHelpId = 0;
    QSet<QString> m_changed;
    int m_listings = 0;
    bool m_listingNow = false;
    bool m_relist = false;
    bool m_lastRead = true;
};

}  // namespace vexa
