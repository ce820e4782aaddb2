#include "controls/filelistbox.h"

#include "base/diskpath.h"
#include "base/filelisting.h"
#include "base/paths.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPalette>

#include <algorithm>

namespace vexa {

namespace {

int shiftState(Qt::KeyboardModifiers modifiers)
{
    int shift = 0;
    if (modifiers & Qt::ShiftModifier)
        shift |= 1;
    if (modifiers & Qt::ControlModifier)
        shift |= 2;
    if (modifiers & Qt::AltModifier)
        shift |= 4;
    return shift;
}

int buttonValue(Qt::MouseButtons buttons)
{
    int value = 0;
    if (buttons & Qt::LeftButton)
        value |= 1;
    if (buttons & Qt::RightButton)
        value |= 2;
    if (buttons & Qt::MiddleButton)
        value |= 4;
    return value;
}

// The attributes of one directory entry (see the class comment).
// An entry shows its name as a person reads it and keeps the stored name,
// which List() gives and every file access takes.
QListWidgetItem *listItem(const QString &name)
{
    auto *item = new QListWidgetItem(DisplayName(name));
    item->setData(Qt::UserRole, name);
    return item;
}

int attributesOf(const DirectoryEntry &entry)
{
    int attributes = 0;
    if (entry.name.startsWith(QLatin1Char('.')))
        attributes |= FileListBox::AttrHidden;
    if (!entry.ownerWritable)
        attributes |= FileListBox::AttrReadOnly;
    if (entry.isFile)
        attributes |= FileListBox::AttrArchive;
    else
        attributes |= FileListBox::AttrSystem;
    return attributes;
}

}  // namespace

FileListBox::FileListBox(QWidget *parent)
    : QWidget(parent)
    , m_list(new QListWidget(this))
{
    m_list->setObjectName(QStringLiteral("lstFileListBox"));
    m_list->setUniformItemSizes(true);  // keeps 100,000 names cheap to lay out
    m_list->installEventFilter(this);
    m_list->viewport()->installEventFilter(this);
    m_list->viewport()->setMouseTracking(true);
    connect(m_list, &QListWidget::itemClicked, this, [this] { emit Click(); });
    connect(m_list, &QListWidget::itemDoubleClicked, this, [this] { emit DblClick(); });
}

void FileListBox::SetPath(const QString &path)
{
    QString value = path;
    StripTrailingBackslash(value);
    if (value != m_path) {
        // No short names here: the path is stored as given.
        m_path = value;
        listDirectory(false);
    }
    markChanged("Path");
    emit PathChanged();
}

void FileListBox::SetPattern(const QString &pattern)
{
    if (pattern != m_pattern) {
        // A split that falls back to "*.*" (nothing usable, too many pieces)
        // stores "*.*"; a pattern that is "*.*" anyway lists the same.
        const QStringList pieces = SplitFilePattern(pattern);
        const bool fallback = pieces.size() == 1 && pieces.first() == QStringLiteral("*.*");
        m_pattern = fallback ? QStringLiteral("*.*") : pattern;
        listDirectory(true);
    }
    markChanged("Pattern");
}

void FileListBox::SetArchive(bool on)
{
    m_archive = on;
    markChanged("Archive");
}
void FileListBox::SetCompressed(bool on)
{
    m_compressed = on;
    markChanged("Compressed");
}
void FileListBox::SetHidden(bool on)
{
    m_hidden = on;
    markChanged("Hidden");
}
void FileListBox::SetSystem(bool on)
{
    m_system = on;
    markChanged("System");
}
void FileListBox::SetNormal(bool on)
{
    m_normal = on;
    markChanged("Normal");
}
void FileListBox::SetReadOnly(bool on)
{
    m_readOnly = on;
    markChanged("ReadOnly");
}

int FileListBox::AttributeMask() const
{
    int mask = 0;
    if (m_normal)
        mask += AttrExclusive;
    if (m_readOnly)
        mask += AttrReadOnly;
    if (m_archive)
        mask += AttrArchive;
    if (m_system)
        mask += AttrSystem;
    if (m_hidden)
        mask += AttrHidden;
    return mask;
}

QColor FileListBox::BackColor() const
{
    return m_list->palette().color(QPalette::Base);
}
void FileListBox::SetBackColor(const QColor &color)
{
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Base, color);
    m_list->setPalette(palette);
    markChanged("BackColor");
}
QColor FileListBox::ForeColor() const
{
    return m_list->palette().color(QPalette::Text);
}
void FileListBox::SetForeColor(const QColor &color)
{
    QPalette palette = m_list->palette();
    palette.setColor(QPalette::Text, color);
    m_list->setPalette(palette);
    markChanged("ForeColor");
}
void FileListBox::SetEnabled(bool on)
{
    setEnabled(on);
    markChanged("Enabled");
}
QFont FileListBox::Font() const
{
    return m_list->font();
}
void FileListBox::SetFont(const QFont &font)
{
    m_list->setFont(font);
    markChanged("Font");
}
void FileListBox::SetBackStyle(int style)
{
    m_backStyle = style;
    markChanged("BackStyle");
}
void FileListBox::SetBorderStyle(int style)
{
    m_borderStyle = style;
    markChanged("BorderStyle");
}
void FileListBox::SetCausesValidation(bool on)
{
    m_causesValidation = on;
    markChanged("CausesValidation");
}
int FileListBox::ListIndex() const
{
    return m_list->currentRow();
}
void FileListBox::SetListIndex(int index)
{
    m_list->setCurrentRow(index);
    markChanged("ListIndex");
}
void FileListBox::SetToolTipText(const QString &text)
{
    m_toolTipText = text;
    m_list->setToolTip(text);
    markChanged("ToolTipText");
}
void FileListBox::SetWhatsThisHelpID(qint32 id)
{
    m_whatsThisHelpId = id;
    markChanged("WhatsThisHelpID");
}

QString FileListBox::List(int index) const
{
    const QListWidgetItem *item = m_list->item(index);
    return item ? item->data(Qt::UserRole).toString() : QString();
}
int FileListBox::ListCount() const
{
    return m_list->count();
}
bool FileListBox::MultiSelect() const
{
    return m_list->selectionMode() == QAbstractItemView::MultiSelection
        || m_list->selectionMode() == QAbstractItemView::ExtendedSelection;
}

void FileListBox::Refresh()
{
    listDirectory(true);
}

void FileListBox::ModifyListItem(int action, int index, const QString &item)
{
    if (action == 1)
        m_list->insertItem(std::clamp(index, 0, m_list->count()), listItem(item));
    else if (action == 2)
        delete m_list->takeItem(index);
}

bool FileListBox::fileListed(int attributes, int mask) const
{
    if ((attributes & AttrHidden) && !(mask & AttrHidden))
        return false;
    if ((attributes & AttrSystem) && !(mask & AttrSystem))
        return false;
    if (mask & AttrExclusive)
        return (attributes & mask & (AttrReadOnly | AttrHidden | AttrSystem | AttrArchive)) != 0;
    return !(attributes & AttrReadOnly) || (mask & AttrReadOnly);
}

void FileListBox::listDirectory(bool forced)
{
    if (!forced && m_hasListed && m_path == m_lastListed)
        return;
    if (m_listingNow) {
        // Asked again from an event run during a listing: list once more after it.
        m_relist = true;
        return;
    }
    m_listingNow = true;
    const int mask = AttributeMask();
    const QStringList pieces = SplitFilePattern(m_pattern);
    m_list->clear();
    const bool frozen = m_list->isVisible();
    if (frozen) {
        m_list->setUpdatesEnabled(false);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    // Unsorted iteration plus one sort of the names kept: QDir's own sorting
    // and QFileInfo lists cost seconds on 100,000 files.
    QList<QStringList> single;
    for (const QString &piece : pieces)
        single.append(QStringList { piece });
    QList<QPair<int, QString>> matched;
    QElapsedTimer sinceTurn;
    sinceTurn.start();
    // Listed through the disk-name module: names that are not UTF-8 are
    // listed too (Qt's iterator would skip them).
    const QList<DirectoryEntry> entries = ListDirectoryEntries(m_path, &m_lastRead, [&sinceTurn] {
        if (sinceTurn.elapsed() >= 50) {
            // A huge directory must not freeze the window's painting.
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            sinceTurn.restart();
        }
    });
    for (const DirectoryEntry &entry : entries) {
        if (!entry.isFile)
            continue;
        for (int p = 0; p < pieces.size(); ++p) {
            if (MatchesFilePattern(entry.name, single[p])) {
                if (fileListed(attributesOf(entry), mask))
                    matched.append({ p, entry.name });
                break;
            }
        }
    }
    // Piece order first, as one listing request per piece gives, then by
    // name; a name that matches two pieces is listed under the first only.
    std::sort(matched.begin(), matched.end());
    QStringList names;
    names.reserve(matched.size());
    for (const auto &entry : matched)
        names.append(entry.second);
    for (const QString &name : names)
        m_list->addItem(listItem(name));
    if (frozen)
        m_list->setUpdatesEnabled(true);
    m_lastListed = m_path;
    m_hasListed = true;
    ++m_listings;
    m_listingNow = false;
    if (m_relist) {
        m_relist = false;
        listDirectory(true);
    }
}

QVariantMap FileListBox::SaveProperties() const
{
    return {
        { QStringLiteral("Path"), m_path },
        { QStringLiteral("Pattern"), m_pattern },
        { QStringLiteral("Archive"), m_archive },
        { QStringLiteral("Compressed"), m_compressed },
        { QStringLiteral("Hidden"), m_hidden },
        { QStringLiteral("System"), m_system },
        { QStringLiteral("Normal"), m_normal },
        { QStringLiteral("ReadOnly"), m_readOnly },
        { QStringLiteral("BackColor"), BackColor() },
        { QStringLiteral("ForeColor"), ForeColor() },
        { QStringLiteral("Enabled"), isEnabled() },
        { QStringLiteral("Font"), Font() },
        { QStringLiteral("BackStyle"), m_backStyle },
        { QStringLiteral("BorderStyle"), m_borderStyle },
        { QStringLiteral("CausesValidation"), m_causesValidation },
        { QStringLiteral("ListIndex"), ListIndex() },
        { QStringLiteral("ToolTipText"), m_toolTipText },
        { QStringLiteral("WhatsThisHelpID"), m_whatsThisHelpId },
    };
}

void FileListBox::RestoreProperties(const QVariantMap &store)
{
    const auto value = [&store](const char *name, const QVariant &fallback) {
        return store.value(QString::fromLatin1(name), fallback);
    };
    const QPalette system = QApplication::palette();
    m_archive = value("Archive", true).toBool();
    m_compressed = value("Compressed", true).toBool();
    m_hidden = value("Hidden", true).toBool();
    m_system = value("System", true).toBool();
    m_normal = value("Normal", true).toBool();
    m_readOnly = value("ReadOnly", true).toBool();
    SetBackColor(value("BackColor", system.color(QPalette::Base)).value<QColor>());
    SetForeColor(value("ForeColor", system.color(QPalette::Text)).value<QColor>());
    setEnabled(value("Enabled", true).toBool());
    SetFont(value("Font", parentWidget() ? parentWidget()->font() : QApplication::font())
                .value<QFont>());
    m_backStyle = value("BackStyle", 1).toInt();
    m_borderStyle = value("BorderStyle", 0).toInt();
    m_causesValidation = value("CausesValidation", true).toBool();
    SetToolTipText(value("ToolTipText", QString()).toString());
    m_whatsThisHelpId = value("WhatsThisHelpID", 0).toInt();
    m_pattern = value("Pattern", QStringLiteral("*.*")).toString();
    QString path = value("Path", QStringLiteral("/")).toString();
    StripTrailingBackslash(path);
    m_path = path;
    SetListIndex(value("ListIndex", -1).toInt());
    m_changed.clear();
}

bool FileListBox::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_list) {
        if (event->type() == QEvent::KeyPress) {
            auto *key = static_cast<QKeyEvent *>(event);
            emit KeyDown(key->key(), shiftState(key->modifiers()));
            if (!key->text().isEmpty())
                emit KeyPress(key->text().at(0).unicode());
        } else if (event->type() == QEvent::KeyRelease) {
            auto *key = static_cast<QKeyEvent *>(event);
            emit KeyUp(key->key(), shiftState(key->modifiers()));
        }
    } else if (watched == m_list->viewport()) {
        const auto type = event->type();
        if (type == QEvent::MouseButtonPress || type == QEvent::MouseMove
            || type == QEvent::MouseButtonRelease) {
            auto *mouse = static_cast<QMouseEvent *>(event);
            const int button = buttonValue(
                type == QEvent::MouseMove ? mouse->buttons() : Qt::MouseButtons(mouse->button()));
            const int shift = shiftState(mouse->modifiers());
            const float x = float(mouse->position().x());
            const float y = float(mouse->position().y());
            if (type == QEvent::MouseButtonPress)
                emit MouseDown(button, shift, x, y);
            else if (type == QEvent::MouseMove)
                emit MouseMove(button, shift, x, y);
            else
                emit MouseUp(button, shift, x, y);
        }
    }
    return QWidget::eventFilter(watched, event);
}

void FileListBox::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_list->setGeometry(rect());
}

}  // namespace vexa
