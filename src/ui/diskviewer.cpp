#include "ui/diskviewer.h"

#include "base/diskpath.h"
#include "base/errors.h"
#include "base/filelisting.h"
#include "base/fileops.h"
#include "base/messages.h"
#include "base/renamequestion.h"
#include "base/textids.h"
#include "base/texts.h"
#include "controls/directorylist.h"
#include "controls/fileinfopanel.h"
#include "controls/filelistbox.h"
#include "db/settings.h"
#include "db/statistics.h"
#include "ui/featurehost.h"
#include "ui/picturedecoder.h"
#include "ui/viewerpicture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QStorageInfo>
#include <QTimer>
#include <QVBoxLayout>

#include <exception>

namespace vexa {

namespace {

constexpr char kModule[] = "frmVEXA";
// Texts of our own: the home place, and the line over a file that cannot be shown.
constexpr int kHomeText = 1995;
constexpr int kCannotShowText = 1996;

// Volumes that hold no user's pictures: the kernel's and the system's own.
bool BrowsableVolume(const QStorageInfo &volume)
{
    const QString root = volume.rootPath();
    // Containers mount single files (resolv.conf, hostname) as volumes.
    if (!volume.isValid() || !volume.isReady() || root == QLatin1String("/")
        || !StatOnDisk(root).isDirectory)
        return false;
    for (const char *system : { "/proc", "/sys", "/dev", "/run", "/boot", "/snap", "/var/lib" }) {
        const QString prefix = QLatin1String(system);
        if (root == prefix || root.startsWith(prefix + QLatin1Char('/')))
            return root.startsWith(QLatin1String("/run/media/"));
    }
    return true;
}

// "##000": at least three digits.
QString PositionNumber(int value)
{
    return QStringLiteral("%1").arg(value, 3, 10, QLatin1Char('0'));
}

}  // namespace

DiskViewer::DiskViewer(FeatureHost &host, QWidget *parent)
    : QWidget(parent)
    , m_host(host)
    , m_decoder(new PictureDecoder(this))
    , m_watcher(new QFileSystemWatcher(this))
    , m_resizeTimer(new QTimer(this))
{
    setObjectName(QStringLiteral("DiskViewer"));

    auto *dirFrame = new QWidget(this);
    dirFrame->setObjectName(QStringLiteral("fraIVDir"));
    auto *dirLayout = new QVBoxLayout(dirFrame);
    dirLayout->setContentsMargins(0, 0, 0, 0);
    m_drive = new QComboBox(dirFrame);
    m_drive->setObjectName(QStringLiteral("Drive"));
    m_path = new DirectoryList(dirFrame);
    m_path->setObjectName(QStringLiteral("Path"));
    dirLayout->addWidget(m_drive);
    dirLayout->addWidget(m_path, 1);
    m_dirFrame = dirFrame;

    auto *filesFrame = new QWidget(this);
    filesFrame->setObjectName(QStringLiteral("fraIVFiles"));
    auto *filesLayout = new QVBoxLayout(filesFrame);
    filesLayout->setContentsMargins(0, 0, 0, 0);
    m_files = new FileListBox(filesFrame);
    m_files->setObjectName(QStringLiteral("uctrlFile"));
    m_files->SetPattern(QLatin1String(kImageFilePattern));
    filesLayout->addWidget(m_files);
    m_filesFrame = filesFrame;

    m_picture = new ViewerPicture(this);
    m_picture->setObjectName(QStringLiteral("imgPreview"));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_dirFrame, 3);
    layout->addWidget(m_filesFrame, 3);
    layout->addWidget(m_picture, 6);

    m_popup = new QMenu(this);
    m_popup->setObjectName(QStringLiteral("mnuPopupView"));
    m_popupView = m_popup->addAction(QStringLiteral("281"));
    m_popupView->setObjectName(QStringLiteral("mnuPopupViewView"));
    m_popupRename = m_popup->addAction(QStringLiteral("282"));
    m_popupRename->setObjectName(QStringLiteral("mnuPopupViewRename"));
    m_popupDelete = m_popup->addAction(QStringLiteral("283"));
    m_popupDelete->setObjectName(QStringLiteral("mnuPopupViewDelete"));
    connect(m_popupView, &QAction::triggered, this, &DiskViewer::ViewClicked);
    connect(m_popupRename, &QAction::triggered, this, &DiskViewer::ViewRename);
    connect(m_popupDelete, &QAction::triggered, this, &DiskViewer::ViewDelete);

    buildPlaces();
    buildNavigation();

    connect(m_drive, &QComboBox::activated, this, &DiskViewer::driveChanged);
    connect(m_path, &DirectoryList::Change, this, &DiskViewer::directoryChanged);
    connect(m_files, &FileListBox::PathChanged, this, &DiskViewer::fileListPathChanged);
    // The list's click event comes with every change of the selection, by
    // mouse, keys or program, as it always has.
    connect(
        m_files->ListHwnd(), &QListWidget::currentRowChanged, this, &DiskViewer::selectionChanged);
    connect(m_files, &FileListBox::DblClick, this, &DiskViewer::ViewClicked);
    connect(m_files, &FileListBox::MouseDown, this, &DiskViewer::showPopup);
    connect(m_picture, &ViewerPicture::clicked, this, [this] {
        if (m_viewMode)
            LeaveViewMode();
    });
    connect(m_decoder, &PictureDecoder::decoded, this, &DiskViewer::pictureDecoded);
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, this,
        [this] { leaveVanishedDirectory(); });
    m_resizeTimer->setSingleShot(true);
    m_resizeTimer->setInterval(200);
    connect(m_resizeTimer, &QTimer::timeout, this, &DiskViewer::pictureResized);
    connect(m_picture, &ViewerPicture::resized, m_resizeTimer, qOverload<>(&QTimer::start));
}

DiskViewer::~DiskViewer() = default;

void DiskViewer::buildPlaces()
{
    // The places a user browses from: home, the mounted volumes, the root.
    const QString home = QDir::homePath();
    m_drive->addItem(Text(kHomeText) + QStringLiteral("  (") + home + QLatin1Char(')'), home);
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!BrowsableVolume(volume))
            continue;
        const QString root = volume.rootPath();
        const QString name = volume.displayName();
        m_drive->addItem(name == root || name.isEmpty()
                ? root
                : root + QStringLiteral("  [") + name + QLatin1Char(']'),
            root);
    }
    m_drive->addItem(QStringLiteral("/"), QStringLiteral("/"));
}

void DiskViewer::buildNavigation()
{
    QGroupBox *frame = m_host.infoFrame(FeatureHost::InfoViewer);
    m_cmdView = frame->findChild<QPushButton *>(QStringLiteral("cmdView"));
    m_cmdPrevious = frame->findChild<QPushButton *>(QStringLiteral("cmdPrevious"));
    m_cmdNext = frame->findChild<QPushButton *>(QStringLiteral("cmdNext"));
    m_position = new QLabel(frame);
    m_position->setObjectName(QStringLiteral("lblFullViewInfo"));
    m_position->setTextFormat(Qt::PlainText);
    m_position->setMinimumWidth(
        m_position->fontMetrics().horizontalAdvance(QStringLiteral("00000/00000")));
    m_info = new FileInfoPanel(frame);
    // Two lines: the buttons and the position, then the file's information
    // across the whole width, where a long path has room.
    delete frame->layout();
    auto *lines = new QVBoxLayout(frame);
    lines->setSpacing(2);
    auto *buttons = new QHBoxLayout;
    for (QPushButton *button : { m_cmdView, m_cmdPrevious, m_cmdNext }) {
        if (button)
            buttons->addWidget(button);
    }
    buttons->addSpacing(12);
    buttons->addWidget(m_position);
    buttons->addStretch(1);
    lines->addLayout(buttons);
    lines->addWidget(m_info);
    if (m_cmdView)
        connect(m_cmdView, &QPushButton::clicked, this, &DiskViewer::ViewClicked);
    if (m_cmdPrevious)
        connect(m_cmdPrevious, &QPushButton::clicked, this, &DiskViewer::PreviousClicked);
    if (m_cmdNext)
        connect(m_cmdNext, &QPushButton::clicked, this, &DiskViewer::NextClicked);
}

void DiskViewer::LoadSettings()
{
    QString directory;
    try {
        const QVariant stored = GetSystemSetting(QStringLiteral("LastViewDirectory"));
        if (!stored.isNull())
            directory = stored.toString();
    } catch (const std::exception &e) {
        ReportException(e, QLatin1String(kModule), QStringLiteral("Form_Load"));
    }
    if (directory.isEmpty())
        directory = QDir::homePath();
    QString existing = DirectoryList::NearestExistingDirectory(directory);
    if (existing.isEmpty())
        existing = QDir::homePath();
    selectPlaceOf(existing);
    if (existing == m_path->Path())
        directoryChanged();  // the list already shows it: its change must run once
    else
        m_path->SetPath(existing);
}

void DiskViewer::selectPlaceOf(const QString &path)
{
    // The place whose root holds the path, the longest such root.
    int best = -1;
    qsizetype bestLength = -1;
    for (int i = 0; i < m_drive->count(); ++i) {
        const QString root = m_drive->itemData(i).toString();
        const bool holds = path == root || root == QLatin1String("/")
            || path.startsWith(root + QLatin1Char('/'));
        if (holds && root.size() > bestLength) {
            best = i;
            bestLength = root.size();
        }
    }
    const QSignalBlocker blocker(m_drive);
    m_drive->setCurrentIndex(best);
}

void DiskViewer::driveChanged(int index)
{
    const QString root = m_drive->itemData(index).toString();
    if (!root.isEmpty())
        m_path->SetPath(root);
}

void DiskViewer::directoryChanged()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString path = m_path->Path();
    if (!m_watcher->directories().isEmpty())
        m_watcher->removePaths(m_watcher->directories());
    if (!HasEscapedBytes(path))
        m_watcher->addPath(path);
    selectPlaceOf(path);
    m_files->SetPath(path);
    try {
        SaveSystemSetting(QStringLiteral("LastViewDirectory"), path);
    } catch (const std::exception &e) {
        ReportException(e, QLatin1String(kModule), QStringLiteral("Path_Change"));
    }
    QApplication::restoreOverrideCursor();
}

void DiskViewer::fileListPathChanged()
{
    if (m_files->ListCount() > 0) {
        if (m_files->ListIndex() == 0)
            selectionChanged();
        else
            m_files->SetListIndex(0);
    } else {
        selectionChanged();
    }
}

void DiskViewer::selectionChanged()
{
    // Another file chosen while View waited for its picture: no view mode.
    m_enteringView = false;
    refreshPosition();
    if (m_viewMode)
        return;
    const int index = m_files->ListIndex();
    // Walking up the list decodes ahead upwards.
    if (index >= 0 && m_lastIndex >= 0 && index != m_lastIndex)
        m_step = index < m_lastIndex ? -1 : 1;
    m_lastIndex = index;
    if (index < 0) {
        m_decoder->cancel();
        m_wantedFile.clear();
        m_picture->clear();
    } else {
        ShowPreviewImage(entryPath(index));
    }
    updateNavigationButtons();
}

QString DiskViewer::entryPath(int index) const
{
    const QString name = m_files->List(index);
    if (name.isEmpty())
        return {};
    const QString directory = m_files->Path();
    return directory.endsWith(QLatin1Char('/')) ? directory + name
                                                : directory + QLatin1Char('/') + name;
}

void DiskViewer::refreshPosition()
{
    const int index = m_files->ListIndex();
    if (index < 0) {
        m_position->clear();
        m_info->Clear();
        return;
    }
    m_position->setText(
        PositionNumber(index + 1) + QLatin1Char('/') + PositionNumber(m_files->ListCount()));
    const QString fullName = entryPath(index);
    const DiskStat info = StatOnDisk(fullName);
    m_info->SetValues(m_files->Path(), m_files->List(index),
        info.isFile ? FormatStatisticsNumber(qlonglong(info.size)) : QString(),
        m_dimsFile == fullName ? m_dimsText : QString());
}

void DiskViewer::updateNavigationButtons()
{
    const int index = m_files->ListIndex();
    const int count = m_files->ListCount();
    const bool paging = m_viewMode || m_enteringView;
    if (m_cmdNext)
        m_cmdNext->setEnabled(paging && index >= 0 && index < count - 1);
    if (m_cmdPrevious)
        m_cmdPrevious->setEnabled(paging && index > 0);
    if (m_cmdView)
        m_cmdView->setEnabled(m_viewMode || index >= 0);
    const bool selected = index >= 0;
    m_popupView->setEnabled(selected);
    m_popupRename->setEnabled(selected);
    m_popupDelete->setEnabled(selected);
}

QSize DiskViewer::boxForPicture() const
{
    if (!m_viewMode && !m_enteringView)
        return m_picture->decodeBox();
    // In view mode the picture covers the whole tab.
    const QMargins margins = layout()->contentsMargins();
    const QSize area = size().shrunkBy(margins).expandedTo(QSize(16, 16));
    return (QSizeF(area) * devicePixelRatioF()).toSize();
}

bool DiskViewer::ShowPreviewImage(const QString &fullName)
{
    try {
        if (fullName.isEmpty())
            return false;
        m_wantedFile = fullName;
        m_wantedBox = boxForPicture();
        if (!StatOnDisk(fullName).isFile) {
            m_decoder->cancel();
            m_picture->setError(fullName, Text(kCannotShowText), Text(1952));
            return false;
        }
        m_ticket = m_decoder->request(fullName, m_wantedBox);
        return true;
    } catch (const std::exception &e) {
        ReportException(e, QLatin1String(kModule),
            QStringLiteral("ShowPreviewImage(") + fullName + QLatin1Char(')'));
        return false;
    }
}

bool DiskViewer::ShowFullImage(int index)
{
    try {
        if (index < 0 || index >= m_files->ListCount())
            return false;
        if (m_files->ListIndex() != index) {
            // Selecting runs the click handler; the picture is asked for below.
            const QSignalBlocker blocker(m_files->ListHwnd());
            m_files->SetListIndex(index);
        }
        refreshPosition();
        m_lastIndex = index;
        return ShowPreviewImage(entryPath(index));
    } catch (const std::exception &e) {
        ReportException(e, QLatin1String(kModule), QStringLiteral("ShowFullImage(%1)").arg(index));
        return false;
    }
}

void DiskViewer::ViewClicked()
{
    if (m_viewMode) {
        LeaveViewMode();
        return;
    }
    const int index = m_files->ListIndex();
    if (index < 0)
        return;
    m_enteringView = true;
    if (!ShowFullImage(index))
        m_enteringView = false;
    updateNavigationButtons();
}

void DiskViewer::enterViewMode()
{
    m_enteringView = false;
    m_viewMode = true;
    m_dirFrame->hide();
    m_filesFrame->hide();
    layout()->activate();
    if (m_cmdView) {
        m_cmdView->setText(Text(512));
        m_cmdView->setFocus();
    }
    updateNavigationButtons();
}

void DiskViewer::LeaveViewMode()
{
    m_enteringView = false;
    if (!m_viewMode) {
        updateNavigationButtons();
        return;
    }
    m_viewMode = false;
    m_dirFrame->show();
    m_filesFrame->show();
    layout()->activate();
    if (m_cmdView)
        m_cmdView->setText(Text(505));
    updateNavigationButtons();
    if (m_files->isVisible())
        m_files->ListHwnd()->setFocus();
    // The pane beside the lists shows the selected file at its own size.
    const int index = m_files->ListIndex();
    if (index >= 0)
        ShowPreviewImage(entryPath(index));
}

void DiskViewer::NextClicked()
{
    const int index = m_files->ListIndex();
    if (index >= 0 && index < m_files->ListCount() - 1) {
        m_step = 1;
        ShowFullImage(index + 1);
    }
    updateNavigationButtons();
}

void DiskViewer::PreviousClicked()
{
    const int index = m_files->ListIndex();
    if (index > 0) {
        m_step = -1;
        ShowFullImage(index - 1);
    }
    updateNavigationButtons();
}

bool DiskViewer::NavigateKey(QKeyEvent &event)
{
    switch (event.key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        // Enter in the directory list opens the directory, as it always has.
        QWidget *focus = QApplication::focusWidget();
        if (focus && (focus == m_path || m_path->isAncestorOf(focus) || focus == m_drive))
            return false;
        if (!m_viewMode && m_files->ListIndex() < 0)
            return false;
        ViewClicked();
        return true;
    }
    case Qt::Key_PageUp:
        if (!m_viewMode)
            return false;
        PreviousClicked();
        return true;
    case Qt::Key_PageDown:
        if (!m_viewMode)
            return false;
        NextClicked();
        return true;
    case Qt::Key_Escape:
        if (!m_viewMode)
            return false;
        LeaveViewMode();
        return true;
    default: return false;
    }
}

void DiskViewer::pictureDecoded(quint64 ticket, const QString &fullName, const LoadedImage &image)
{
    if (ticket != m_ticket)
        return;
    if (image.ok) {
        m_picture->setPicture(image.picture, fullName);
        m_shownBox = m_wantedBox;
        m_dimsFile = fullName;
        m_dimsText = QStringLiteral("%1 x %2").arg(image.width).arg(image.height);
        if (m_enteringView)
            enterViewMode();
    } else {
        // Shown where the picture would be; paging goes on past it.
        // The decoder's reason is English and technical: the picture says
        // that the file cannot be shown, and which file.
        m_picture->setError(fullName, Text(kCannotShowText), QString());
        m_shownBox = m_wantedBox;
        m_dimsFile.clear();
        m_dimsText.clear();
        if (m_enteringView) {
            m_enteringView = false;
            updateNavigationButtons();
        }
    }
    if (fullName == entryPath(m_files->ListIndex()))
        refreshPosition();
    prefetchNeighbours();
}

void DiskViewer::prefetchNeighbours()
{
    // The next picture in the direction of paging is decoded ahead.
    const int next = m_files->ListIndex() + m_step;
    if (next >= 0 && next < m_files->ListCount())
        m_decoder->prefetch(entryPath(next), boxForPicture());
}

void DiskViewer::pictureResized()
{
    if (m_picture->fullName().isEmpty() || m_decoder->isWaiting())
        return;
    const QSize box = boxForPicture();
    if (box != m_shownBox && m_picture->fullName() == m_wantedFile)
        ShowPreviewImage(m_wantedFile);
}

bool DiskViewer::pictureBusy() const
{
    return m_decoder->isWaiting();
}

QString DiskViewer::shownFile() const
{
    return m_picture->fullName();
}

void DiskViewer::showPopup(int button, int, float x, float y)
{
    if (!(button & 2))
        return;
    updateNavigationButtons();
    m_popup->popup(m_files->ListHwnd()->viewport()->mapToGlobal(QPoint(int(x), int(y))));
}

void DiskViewer::ViewDelete()
{
    const int index = m_files->ListIndex();
    if (index < 0)
        return;
    const QString fullName = entryPath(index);
    // Nothing may still be reading the file while it goes.
    m_decoder->cancel();
    const FileOpResult deleted = DeleteFile(fullName, AllowUndoFlag());
    if (!deleted) {
        Messages().show(Text(1950) + QChar(13) + DisplayName(fullName) + QStringLiteral(": ")
                + ReasonText(deleted),
            Text(767), MsgIcon::Exclamation, MsgButtons::Ok);
        selectionChanged();
        return;
    }
    m_decoder->forget(fullName);
    {
        const QSignalBlocker blocker(m_files->ListHwnd());
        m_files->ModifyListItem(2, index, QString());
        if (m_files->ListCount() > 0)
            m_files->SetListIndex(std::min(index, m_files->ListCount() - 1));
    }
    selectionChanged();
}

void DiskViewer::ViewRename()
{
    const int index = m_files->ListIndex();
    if (index < 0)
        return;
    try {
        const QString name = m_files->List(index);
        const QString from = entryPath(index);
        QString newName;
        if (!AskNewFileName(name, newName))
            return;
        const QString directory = m_files->Path();
        const QString to = directory.endsWith(QLatin1Char('/'))
            ? directory + newName
            : directory + QLatin1Char('/') + newName;
        const FileOpResult renamed = RenameFile(from, to);
        if (!renamed) {
            Messages().show(
                Text(1951) + ReasonText(renamed), Text(767), MsgIcon::Exclamation, MsgButtons::Ok);
            return;
        }
        m_decoder->forget(from);
        {
            const QSignalBlocker blocker(m_files->ListHwnd());
            m_files->ModifyListItem(2, index, QString());
            m_files->ModifyListItem(1, index, newName);
            m_files->SetListIndex(index);
        }
        selectionChanged();
    } catch (const std::exception &e) {
        ReportException(e, QLatin1String(kModule), QStringLiteral("ViewRename"));
    }
}

void DiskViewer::EnterTab()
{
    leaveVanishedDirectory();
    updateNavigationButtons();
}

void DiskViewer::leaveVanishedDirectory()
{
    const QString path = m_path->Path();
    if (StatOnDisk(path).isDirectory) {
        // Something in it changed; the directory list shows its sub-directories.
        return;
    }
    LeaveViewMode();
    QString existing = DirectoryList::NearestExistingDirectory(path);
    if (existing.isEmpty())
        existing = QDir::homePath();
    selectPlaceOf(existing);
    m_path->SetPath(existing);
}

DiskViewer *InstallDiskViewer(FeatureHost &host)
{
    QWidget *panel = host.tabPanel(FeatureHost::TabViewer);
    if (!panel->layout()) {
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    auto *viewer = new DiskViewer(host, panel);
    panel->layout()->addWidget(viewer);

    host.addLoadHook([viewer] { viewer->LoadSettings(); });
    host.addTabHook([viewer](int tab) {
        if (tab == FeatureHost::TabViewer)
            viewer->EnterTab();
        else
            viewer->LeaveViewMode();
    });
    host.addNavigateKeysHandler([&host, viewer](QKeyEvent *event) {
        if (host.currentTab() == FeatureHost::TabViewer && viewer->NavigateKey(*event))
            event->accept();
    });
    return viewer;
}

}  // namespace vexa
