#pragma once

#include "signature/imageloader.h"

#include <QSize>
#include <QString>
#include <QWidget>

class QAction;
class QComboBox;
class QFileSystemWatcher;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;

namespace vexa {

class DirectoryList;
class FeatureHost;
class FileInfoPanel;
class FileListBox;
class PictureDecoder;
class ViewerPicture;

// The Image Viewer tab: browses the disk for images, independently of the
// database. The places list (Drive: the home directory, the mounted volumes,
// the file system root), the directory list (Path), the image files of the
// directory (uctrlFile), and the picture (imgPreview): the selected file in
// the pane beside the lists, or, in view mode, one file over the whole tab,
// paged with cmdPrevious and cmdNext. The navigation frame fraInfo(0) gets
// the position (lblFullViewInfo) and the file information (uctrlFileInfo).
// Pictures are decoded on worker threads at the size they are shown; a file
// that cannot be shown shows why, and browsing goes on. Deleting and
// renaming touch the disk only, never a record. Interface thread only;
// error reports name the module "frmVEXA".
class DiskViewer : public QWidget {
    Q_OBJECT
public:
    DiskViewer(FeatureHost &host, QWidget *parent);
    ~DiskViewer() override;

    // Opens the directory remembered in LastViewDirectory (the home
    // directory when none is stored or it is gone).
    void LoadSettings();
    // The tab became current: a directory that vanished meanwhile is left
    // for its nearest existing ancestor.
    void EnterTab();

    // Shows entry index of the file list in the picture (selects it and
    // refreshes the position and information first); false when there is
    // no such entry or its file is gone.
    bool ShowFullImage(int index);
    // Starts decoding one file for the picture at the size it is shown; the
    // picture (or why it cannot be shown) replaces the one shown when the
    // decode is done. False when the file is not there.
    bool ShowPreviewImage(const QString &fullName);

    // cmdView, cmdPrevious, cmdNext.
    void ViewClicked();
    void PreviousClicked();
    void NextClicked();
    bool viewMode() const { return m_viewMode; }
    void LeaveViewMode();
    // Enter, and in view mode Page Up, Page Down and Escape; true when used.
    bool NavigateKey(QKeyEvent &event);

    // mnuPopupView's Rename and Delete on the selected entry.
    void ViewRename();
    void ViewDelete();

    // True while a picture asked for is still being decoded.
    bool pictureBusy() const;
    // The entry the picture shows, or whose error it shows.
    QString shownFile() const;

    QComboBox *drive() const { return m_drive; }
    DirectoryList *directories() const { return m_path; }
    FileListBox *files() const { return m_files; }
    ViewerPicture *picture() const { return m_picture; }
    FileInfoPanel *fileInfo() const { return m_info; }
    QLabel *positionLabel() const { return m_position; }
    QMenu *popupMenu() const { return m_popup; }

private:
    void buildPlaces();
    void buildNavigation();
    void driveChanged(int index);
    void directoryChanged();
    void fileListPathChanged();
    void selectionChanged();
    void refreshPosition();
    void updateNavigationButtons();
    void enterViewMode();
    void pictureDecoded(quint64 ticket, const QString &fullName, const vexa::LoadedImage &image);
    void prefetchNeighbours();
    void pictureResized();
    void showPopup(int button, int shift, float x, float y);
    void leaveVanishedDirectory();
    void selectPlaceOf(const QString &path);
    QString entryPath(int index) const;
    QSize boxForPicture() const;

    FeatureHost &m_host;
    QComboBox *m_drive = nullptr;
    DirectoryList *m_path = nullptr;
    FileListBox *m_files = nullptr;
    ViewerPicture *m_picture = nullptr;
    QWidget *m_dirFrame = nullptr;  // fraIVDir
    QWidget *m_filesFrame = nullptr;  // fraIVFiles
    QPushButton *m_cmdView = nullptr;
    QPushButton *m_cmdPrevious = nullptr;
    QPushButton *m_cmdNext = nullptr;
    QLabel *m_position = nullptr;  // lblFullViewInfo
    FileInfoPanel *m_info = nullptr;  // uctrlFileInfo
    QMenu *m_popup = nullptr;  // mnuPopupView
    QAction *m_popupView = nullptr;
    QAction *m_popupRename = nullptr;
    QAction *m_popupDelete = nullptr;
    PictureDecoder *m_decoder = nullptr;
    QFileSystemWatcher *m_watcher = nullptr;
    QTimer *m_resizeTimer = nullptr;  // one new decode after a burst of resizes

    bool m_viewMode = false;
    bool m_enteringView = false;  // View pressed; view mode once the picture is there
    int m_step = 1;  // the direction of the last paging, for decoding ahead
    int m_lastIndex = -1;  // the entry shown before, for that direction
    quint64 m_ticket = 0;  // the decode the picture waits for
    QString m_wantedFile;  // the file of that decode
    QSize m_wantedBox;
    QSize m_shownBox;  // the box the picture on screen was decoded for
    QString m_dimsFile;  // the file whose dimensions are known
    QString m_dimsText;
};

// Builds the viewer into the host's Image Viewer tab and navigation frame:
// the buttons, the keys of the tab, leaving view mode when another tab is
// chosen, LastViewDirectory read at the window's load. Call once, before the
// window's Load. Returns the viewer, owned by the window.
DiskViewer *InstallDiskViewer(FeatureHost &host);

}  // namespace vexa
