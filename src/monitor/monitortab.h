#pragma once

#include <QLabel>
#include <QStringList>
#include <QWidget>

class QGroupBox;
class QLineEdit;
class QListWidget;
class QMimeData;
class QPushButton;

namespace vexa {

// imgInstant: takes drops of text/uri-list with at least one local file or
// directory and hands over their paths. Dropped items are only read, never
// moved: the drop is always accepted as a copy.
class InstantDropTarget : public QLabel {
    Q_OBJECT

public:
    explicit InstantDropTarget(QWidget *parent = nullptr);

signals:
    void dropped(const QStringList &paths);

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
};

// The paths of the local files of a drop, in the drop's order.
QStringList LocalPathsOf(const QMimeData *data);

// The fifth tab: the Instant Image Checker frame (fraInstant, lblInstantInfo,
// imgInstant) and the directory monitor's controls (lblMonDir, txtDirMonitor,
// cmdBrowseMonitor, cmdStartMonitor, the explanation and the hidden
// lstFilesMonitor). It holds no rules of the runs; the monitor module
// connects to its signals. Interface thread only.
class MonitorTab : public QWidget {
    Q_OBJECT

public:
    explicit MonitorTab(QWidget *parent = nullptr);

    void Localise();
    QString monitorDirectory() const;
    void setMonitorDirectory(const QString &directory);
    // The snapshot shown in the hidden list box.
    void setSnapshot(const QStringList &names);

    InstantDropTarget *dropTarget() const { return m_imgInstant; }
    QPushButton *startButton() const { return m_cmdStartMonitor; }
    QPushButton *browseButton() const { return m_cmdBrowseMonitor; }
    QLineEdit *directoryEdit() const { return m_txtDirMonitor; }

signals:
    void filesDropped(const QStringList &paths);
    void startRequested();

private:
    void directoryChanged(const QString &text);
    void browse();

    QGroupBox *m_fraInstant = nullptr;
    QLabel *m_lblInstantInfo = nullptr;
    InstantDropTarget *m_imgInstant = nullptr;
    QGroupBox *m_fraMonitor = nullptr;
    QLabel *m_lblMonDir = nullptr;
    QLineEdit *m_txtDirMonitor = nullptr;
    QPushButton *m_cmdBrowseMonitor = nullptr;
    QPushButton *m_cmdStartMonitor = nullptr;
    QLabel *m_lblMonExplain = nullptr;
    QListWidget *m_lstFilesMonitor = nullptr;
};

}  // namespace vexa
