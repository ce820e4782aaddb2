#pragma once

#include <QString>
#include <QtGlobal>

#include <functional>

class QAbstractButton;
class QGroupBox;
class QKeyEvent;
class QWidget;

namespace vexa {

// What a feature (the collections tab, gathering, narration, the duplicate
// viewer) may ask of the window that hosts it. The main window implements
// it; features include this header, never the window's own, and the
// program's assembly (src/app) hands the window to them. Interface thread
// only.
class FeatureHost {
public:
    // Tab panel numbers, 0-based as picTabWindow(0..4).
    enum Tab { TabDatabase = 0, TabViewer = 1, TabSettings = 2, TabDuplicates = 3, TabMonitor = 4 };
    // Information panels fraInfo(0..2).
    enum InfoPanel { InfoNone = -1, InfoViewer = 0, InfoGather = 1, InfoNarration = 2 };

    virtual ~FeatureHost() = default;

    // The window, as the parent of a feature's dialogs.
    virtual QWidget *hostWidget() = 0;

    // What a feature registers: commands by name ("mnuGather", ...), hooks
    // after the window's load, on entering a tab, after the database was
    // reopened by compaction; the key navigation (each handler in turn, until
    // one accepts the key); the duplicate counters the command states read.
    virtual void setCommandHandler(const QString &command, std::function<void()> handler) = 0;
    virtual void addLoadHook(std::function<void()> hook) = 0;
    virtual void addTabHook(std::function<void(int tab)> hook) = 0;
    virtual void addReopenHook(std::function<void()> hook) = 0;
    virtual void addNavigateKeysHandler(std::function<void(QKeyEvent *)> handler) = 0;
    virtual void setDuplicateCounters(std::function<int()> groups, std::function<int()> saved) = 0;
    // Runs a command by name, as its menu item and toolbar button do.
    virtual void runCommand(const QString &command) = 0;

    // Tabs and panel frames: a feature fills tabPanel(tab) and the frame of
    // its information panel (titled by the window), shown while it runs.
    virtual QWidget *tabPanel(int tab) const = 0;
    virtual QGroupBox *infoFrame(int panel) const = 0;
    virtual int currentTab() const = 0;
    virtual void SelectTab(int tab) = 0;
    virtual void ShowInfoPanel(int panel) = 0;

    // Runs: entering and leaving the running state (commands disabled, the
    // work area locked, the cancel flag cleared), and the flag that every
    // Cancel button registered here sets.
    virtual bool isRunning() const = 0;
    virtual void BeginRun() = 0;
    virtual void EndRun() = 0;
    virtual bool isCancelled() const = 0;
    virtual void addCancelButton(QAbstractButton *button) = 0;
    // After a run: a minimised window comes back to its normal size (not
    // while the monitor keeps it hidden or minimised).
    virtual void restoreAfterRun() = 0;
    // The directory monitor: while it watches, every command stays disabled
    // and the work area locked, between its checks too; only Stop Monitor
    // acts. Closing the window runs "StopMonitor" first.
    virtual void SetMonitoring(bool monitoring) = 0;
    virtual bool isMonitoring() const = 0;

    // Progress bar and status text.
    virtual void InitialiseProgressBar(qint64 startValue, qint64 total) = 0;
    virtual void SetProgressBarValue(qint64 count) = 0;
    virtual void HideProgressBar() = 0;
    virtual void SetStatusbarInfoText(const QString &text) = 0;

    // Command states, and the state the collections tab keeps in the window.
    virtual void SetCommandStates(bool busy) = 0;
    virtual void SetTickedDirectoryCount(int count) = 0;
    virtual void SetCollectionEditMode(bool editing) = 0;
    virtual bool isCollectionEditMode() const = 0;
};

}  // namespace vexa
