#include "monitor/monitortab.h"

#include "base/texts.h"
#include "db/settings.h"

#include <QDragEnterEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

namespace vexa {

QStringList LocalPathsOf(const QMimeData *data)
{
    QStringList paths;
    if (!data || !data->hasUrls())
        return paths;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            paths.append(url.toLocalFile());
    }
    return paths;
}

InstantDropTarget::InstantDropTarget(QWidget *parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("imgInstant"));
    setAcceptDrops(true);
    setAlignment(Qt::AlignCenter);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    setMinimumSize(120, 120);
    setPixmap(QIcon(QStringLiteral(":/icons/monitor.svg")).pixmap(64, 64));
}

// A drop is taken when it names at least one file; one whose file list
// cannot be read (a uri-list with no local file) is refused, since there is
// nothing to check.
void InstantDropTarget::dragEnterEvent(QDragEnterEvent *event)
{
    if (!LocalPathsOf(event->mimeData()).isEmpty()) {
        event->setDropAction(Qt::CopyAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void InstantDropTarget::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void InstantDropTarget::dropEvent(QDropEvent *event)
{
    const QStringList paths = LocalPathsOf(event->mimeData());
    event->setDropAction(Qt::CopyAction);
    event->accept();
    if (!paths.isEmpty())
        emit dropped(paths);
}

MonitorTab::MonitorTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MonitorTab"));
    auto *layout = new QVBoxLayout(this);

    m_fraInstant = new QGroupBox(this);
    m_fraInstant->setObjectName(QStringLiteral("fraInstant"));
    auto *instant = new QHBoxLayout(m_fraInstant);
    m_lblInstantInfo = new QLabel(m_fraInstant);
    m_lblInstantInfo->setObjectName(QStringLiteral("lblInstantInfo"));
    m_lblInstantInfo->setWordWrap(true);
    m_imgInstant = new InstantDropTarget(m_fraInstant);
    instant->addWidget(m_lblInstantInfo, 1);
    instant->addWidget(m_imgInstant);
    layout->addWidget(m_fraInstant);

    m_fraMonitor = new QGroupBox(this);
    m_fraMonitor->setObjectName(QStringLiteral("fraMonitor"));
    auto *grid = new QGridLayout(m_fraMonitor);
    m_lblMonDir = new QLabel(m_fraMonitor);
    m_lblMonDir->setObjectName(QStringLiteral("lblMonDir"));
    m_txtDirMonitor = new QLineEdit(m_fraMonitor);
    m_txtDirMonitor->setObjectName(QStringLiteral("txtDirMonitor"));
    m_cmdBrowseMonitor = new QPushButton(QStringLiteral("..."), m_fraMonitor);
    m_cmdBrowseMonitor->setObjectName(QStringLiteral("cmdBrowseMonitor"));
    m_cmdStartMonitor = new QPushButton(m_fraMonitor);
    m_cmdStartMonitor->setObjectName(QStringLiteral("cmdStartMonitor"));
    m_lblMonExplain = new QLabel(m_fraMonitor);
    m_lblMonExplain->setObjectName(QStringLiteral("lblMonExplain"));
    m_lblMonExplain->setWordWrap(true);
    m_lstFilesMonitor = new QListWidget(m_fraMonitor);
    m_lstFilesMonitor->setObjectName(QStringLiteral("lstFilesMonitor"));
    m_lstFilesMonitor->hide();
    grid->addWidget(m_lblMonDir, 0, 0, 1, 3);
    grid->addWidget(m_txtDirMonitor, 1, 0);
    grid->addWidget(m_cmdBrowseMonitor, 1, 1);
    grid->addWidget(m_cmdStartMonitor, 1, 2);
    grid->addWidget(m_lblMonExplain, 2, 0, 1, 3);
    grid->addWidget(m_lstFilesMonitor, 3, 0, 1, 3);
    grid->setColumnStretch(0, 1);
    layout->addWidget(m_fraMonitor);
    layout->addStretch(1);

    connect(m_imgInstant, &InstantDropTarget::dropped, this, &MonitorTab::filesDropped);
    connect(m_txtDirMonitor, &QLineEdit::textChanged, this, &MonitorTab::directoryChanged);
    connect(m_cmdBrowseMonitor, &QPushButton::clicked, this, &MonitorTab::browse);
    connect(m_cmdStartMonitor, &QPushButton::clicked, this, &MonitorTab::startRequested);
    Localise();
    m_cmdStartMonitor->setEnabled(false);
}

void MonitorTab::Localise()
{
    m_fraInstant->setTitle(Text(613));
    m_lblInstantInfo->setText(Text(614));
    m_lblMonDir->setText(Text(778));
    m_cmdBrowseMonitor->setToolTip(Text(1034));
    m_cmdStartMonitor->setText(Text(510));
    m_cmdStartMonitor->setToolTip(Text(1035));
    m_lblMonExplain->setText(Text(615));
}

QString MonitorTab::monitorDirectory() const
{
    return m_txtDirMonitor->text();
}

// The text from the setting, without storing it again.
void MonitorTab::setMonitorDirectory(const QString &directory)
{
    {
        const QSignalBlocker quiet(m_txtDirMonitor);
        m_txtDirMonitor->setText(directory);
    }
    m_cmdStartMonitor->setEnabled(!directory.isEmpty() && QFileInfo(directory).isDir());
}

void MonitorTab::setSnapshot(const QStringList &names)
{
    m_lstFilesMonitor->clear();
    m_lstFilesMonitor->addItems(names);
}

// Stored as InternetDirectory at every change; Start only for a directory
// that exists.
void MonitorTab::directoryChanged(const QString &text)
{
    m_cmdStartMonitor->setEnabled(!text.isEmpty() && QFileInfo(text).isDir());
    SaveSystemSetting(QStringLiteral("InternetDirectory"), text);
}

void MonitorTab::browse()
{
    const QString chosen = QFileDialog::getExistingDirectory(window(), Text(769),
        m_txtDirMonitor->text().isEmpty() ? QString() : m_txtDirMonitor->text(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
    if (!chosen.isEmpty())
        m_txtDirMonitor->setText(chosen);
}

}  // namespace vexa
