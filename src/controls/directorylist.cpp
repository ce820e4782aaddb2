#include "controls/directorylist.h"

#include "base/diskpath.h"
#include "base/filelisting.h"

#include <QApplication>
#include <QStyle>

namespace vexa {

namespace {

QString Normalised(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path.isEmpty() ? QStringLiteral("/") : path;
}

QString ParentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

}  // namespace

DirectoryList::DirectoryList(QWidget *parent)
    : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(false);
    setIndentation(14);
    setUniformRowHeights(true);
    setExpandsOnDoubleClick(false);
    connect(this, &QTreeWidget::itemActivated, this,
        [this](QTreeWidgetItem *item) { SetPath(PathOf(item)); });
}

QString DirectoryList::PathOf(const QTreeWidgetItem *item)
{
    return item ? item->data(0, Qt::UserRole).toString() : QString();
}

QString DirectoryList::NearestExistingDirectory(const QString &path)
{
    QString candidate = Normalised(path);
    if (!candidate.startsWith(QLatin1Char('/')))
        return {};
    for (;;) {
        if (StatOnDisk(candidate).isDirectory)
            return candidate;
        if (candidate == QLatin1String("/"))
            return {};
        candidate = ParentOf(candidate);
    }
}

void DirectoryList::SetPath(const QString &path)
{
    const QString value = Normalised(path);
    if (value == m_path && topLevelItemCount() > 0)
        return;
    m_path = value;
    fill();
    emit Change();
}

void DirectoryList::Refresh()
{
    fill();
}

void DirectoryList::fill()
{
    clear();
    const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
    const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
    // The chain from the root down to the current directory.
    QStringList chain { QStringLiteral("/") };
    if (m_path != QLatin1String("/")) {
        QString walked;
        for (const QString &part : m_path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            walked += QLatin1Char('/') + part;
            chain.append(walked);
        }
    }
    QTreeWidgetItem *parent = nullptr;
    for (const QString &directory : std::as_const(chain)) {
        const QString name = directory == QLatin1String("/")
            ? directory
            : directory.mid(directory.lastIndexOf(QLatin1Char('/')) + 1);
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(this);
        item->setText(0, DisplayName(name));
        item->setIcon(0, open);
        item->setData(0, Qt::UserRole, directory);
        item->setToolTip(0, DisplayName(directory));
        parent = item;
    }
    for (const QString &directory : ListSubdirectories(m_path)) {
        auto *item = new QTreeWidgetItem(parent);
        item->setText(0, DisplayName(directory.mid(directory.lastIndexOf(QLatin1Char('/')) + 1)));
        item->setIcon(0, closed);
        item->setData(0, Qt::UserRole, directory);
    }
    expandAll();
    setCurrentItem(parent);
    scrollToItem(parent, QAbstractItemView::PositionAtTop);
}

}  // namespace vexa
