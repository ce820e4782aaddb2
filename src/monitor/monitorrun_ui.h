#pragma once

#include "base/run.h"
#include "monitor/directorywatch.h"

#include <QObject>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>

class QAction;
class QMenu;
class QSystemTrayIcon;
class QTimer;

namespace vexa {

class FeatureHost;
class MonitorTab;

// GatherByMemory in the window: the running state, the progress bar, the
// overflow message (744, 745) and a minimised window restored afterwards
// (not while the monitor keeps it so). Returns the number of files gathered;
// base gets the position of the first.
std::int32_t GatherByMemoryInWindow(
    FeatureHost &window, const QStringList &files, bool append, std::int32_t *base = nullptr);
// NarrateMemory in the window with the narration tab's method and tolerance:
// the narration panel's counters; with clearFirst the completion message
// and the Duplicates tab; comparing(position, count) for the tray tip.
RunResult NarrateMemoryInWindow(FeatureHost &window, bool clearFirst, std::int32_t start,
    std::function<void(std::int32_t, std::int32_t)> comparing = {});

// The instant check and the directory monitor with its tray icon, owned by
// the window. Interface thread only.
class MonitorModule : public QObject {
    Q_OBJECT

public:
    MonitorModule(FeatureHost &window, MonitorTab *tab);
    ~MonitorModule() override;

    // The drop handler of imgInstant.
    void InstantCheck(const QStringList &paths);
    void StartMonitor();
    void StopMonitor();
    // One tick of the monitor timer: CheckMonitorFiles when the directory
    // changed or files are still being written.
    void MonitorTick();

    bool isMonitoring() const { return m_monitoring; }
    bool isChecking() const { return m_checking; }
    int filesAdded() const { return m_filesAdded; }
    QSystemTrayIcon *trayIcon() const { return m_tray; }
    QMenu *trayMenu() const { return m_trayMenu; }
    QAction *stopAction() const { return m_stopAction; }
    QPushButton *stopButton() const { return m_stopButton; }
    // The counting tip (450, 451) with the given run of spaces, cut to 63
    // characters as the tray takes it.
    QString CountingTip(int spaces) const;

    // QSystemTrayIcon::isSystemTrayAvailable() unless a test says otherwise.
    static void OverrideTrayAvailable(std::optional<bool> available);

private:
    void CheckMonitorFiles();
    void TrayAdd();
    void TrayModify(int iconId, const QString &tip);
    void TrayDelete();
    QWidget *window() const;

    FeatureHost &m_window;
    MonitorTab *m_tab;
    DirectoryWatch m_watch;
    QTimer *m_tick = nullptr;
    QSystemTrayIcon *m_tray = nullptr;
    QMenu *m_trayMenu = nullptr;
    QAction *m_stopAction = nullptr;
    // The way back where there is no tray; a child of the window.
    QPointer<QPushButton> m_stopButton;
    QString m_title;  // the window title before a tray-less monitor run
    bool m_monitoring = false;
    bool m_checking = false;
    bool m_trayMode = false;
    int m_filesAdded = 0;
};

// Builds the Monitor tab, makes "mnuStartMonitor" (menu, MONITOR button and
// cmdStartMonitor) start the monitor and "StopMonitor" stop it, and reads
// the watched directory from InternetDirectory at the window's load. Returns
// the module, owned by the window. Call once, before Load.
MonitorModule *InstallMonitor(FeatureHost &window);

}  // namespace vexa
