#pragma once

#include "ui/featurehost.h"

#include <QHash>
#include <QMainWindow>
#include <QSet>

#include <array>
#include <functional>

class QAbstractButton;
class QAction;
class QGroupBox;
class QKeyEvent;
class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;
class QStackedWidget;
class QTabBar;
class QTimer;
class QToolBar;

namespace vexa {

// frmVEXAII, the main window: menus and toolbar reaching the same commands,
// operation states, five tab panels, the information panels and the status
// bar with its progress bar. Error reports of its procedures name the module
// "frmVEXA". Interface thread only.
//
// The tabs' contents and the long runs live in their own modules; they see
// the window only as their FeatureHost: they fill tabPanel(i) and
// infoFrame(i) and register the commands they implement with
// setCommandHandler, so this window knows none of them.
class MainWindow : public QMainWindow, public FeatureHost {
    Q_OBJECT
public:
    MainWindow();
    ~MainWindow() override;

    // The load handler: localises the window, reads the settings, sets the
    // command states once, lays the window out and runs the load hooks.
    void Load();

    // Commands implemented elsewhere, by name: "mnuGather", "mnuNarration",
    // "mnuStartMonitor", "DuplicateSave", "DuplicateLoad", "DuplicateClear",
    // "mnuOptions", "mnuHelpContents", "mnuHelpWeb", "mnuHelpAbout",
    // "HelpContext" (F1). The menu items and buttons of a command without a
    // handler stay disabled.
    void setCommandHandler(const QString &command, std::function<void()> handler) override;
    void setAboutHandler(std::function<void()> handler);
    // The commands of the menus and the toolbar that nobody implements.
    QStringList commandsWithoutHandler() const;
    // Runs after the window's own load steps (fill the collection combo, ...).
    void addLoadHook(std::function<void()> hook) override;
    // Called when a tab becomes current (after the window's own steps).
    void addTabHook(std::function<void(int tab)> hook) override;
    // Key presses other than Backspace, Tab and F1 go to the viewers'
    // keyboard navigation, from whichever control has the focus; the
    // handlers are asked in the order added, and one that accepts the event
    // swallows the key.
    void addNavigateKeysHandler(std::function<void(QKeyEvent *)> handler) override;
    // Run after the database was closed and reopened by DBCompact (re-select
    // the last open collection, refill the directory list).
    void addReopenHook(std::function<void()> hook) override;
    // Run by Relayout, after the window's own controls are placed.
    void addRelayoutHook(std::function<void()> hook);
    // Asked whether the duplicate set / the saved duplicates table hold anything.
    void setDuplicateCounters(std::function<int()> groups, std::function<int()> saved) override;

    QWidget *hostWidget() override { return this; }
    QWidget *tabPanel(int tab) const override;
    QGroupBox *infoFrame(int panel) const override;
    int currentTab() const override { return m_currentTab; }
    void SelectTab(int tab) override;

    // Operation state
    bool isRunning() const override { return m_running; }
    bool isCancelled() const override { return m_cancel; }
    // Entering and leaving the running state of a long run.
    void BeginRun() override;
    void EndRun() override;
    void addCancelButton(QAbstractButton *button) override;
    void restoreAfterRun() override;
    void SetCommandStates(bool busy) override;
    void SetMonitoring(bool monitoring) override;
    bool isMonitoring() const override { return m_monitoring; }
    void LockWorkArea(bool busy);
    // The tab bar and the commands are locked while a collection name is typed.
    void SetCollectionEditMode(bool editing) override;
    bool isCollectionEditMode() const override { return m_editing; }
    // Kept up to date by the collection tab.
    void SetTickedDirectoryCount(int count) override;
    int tickedDirectoryCount() const { return m_tickedCount; }
    bool shiftDown() const { return m_shiftDown; }
    bool ctrlDown() const { return m_ctrlDown; }

    // Priority: index 0 real time, 1 high, 2 normal, 3 idle.
    void SetPriority(int index);
    void SetPriorityButton(int index, bool pressed);
    static int CurrentPriorityIndex();

    // Information panels and layout
    void ShowInfoPanel(int index) override;
    int infoPanelShown() const { return m_infoShown; }
    void Relayout();

    // Progress and status
    void SetStatusbarInfoText(const QString &text) override;
    QString statusbarInfoText() const;
    void InitialiseProgressBar(qint64 startValue, qint64 total) override;
    void SetProgressBarValue(qint64 count) override;
    void PlaceProgressBar();
    void HideProgressBar() override;
    QProgressBar *progressBar() const { return m_progressBar; }

    // Commands (menu and toolbar reach the same ones)
    void DBCompact();
    void runCommand(const QString &command) override;
    QAction *action(const QString &name) const;  // menu item by its name
    QAction *toolbarAction(const QString &key) const;  // toolbar button by its key
    // cmdCancel(index) of the run panels, by name: for tests.
    QPushButton *cancelButton(int index) const;
    // cmdView, cmdPrevious, cmdNext of the image viewer navigation panel.
    QPushButton *viewerButton(int index) const { return m_viewerButtons[size_t(index)]; }
    QLabel *gatherLabel(const char *name) const;  // a panel label by object name, for tests

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void buildMenus();
    void buildToolbar();
    void buildTabs();
    void buildInfoPanels();
    void buildStatusBar();
    void toolbarClicked(const QString &key);
    void tabClicked(int index);
    void tabBarChanged(int index);
    bool handleKeyPress(QKeyEvent *event);
    QGroupBox *buildViewerPanel();
    void firstActivation();
    void responseTimerTick();
    QAction *addMenuItem(QMenu *menu, const char *name, int textId);
    bool hasCommand(const QString &command) const;
    void disableDeadCommands();
    void rememberModifiers(QKeyEvent *event);
    void applyWindowLimits();

    // Window state
    bool m_running = false;
    bool m_cancel = false;
    bool m_monitoring = false;
    bool m_firstActivation = true;
    bool m_editing = false;
    bool m_loaded = false;
    bool m_wasMaximised = false;
    bool m_shiftDown = false;
    bool m_ctrlDown = false;
    int m_tickedCount = 0;
    int m_currentTab = -1;
    int m_infoShown = InfoNone;
    float m_progressScale = 1.0f;  // single precision, as the bar has always scaled
    qint64 m_progressTotal = 0;

    QHash<QString, QAction *> m_actions;  // menu items by name
    QHash<QString, QAction *> m_buttons;  // toolbar buttons by key
    QHash<QString, std::function<void()>> m_handlers;
    QHash<QAction *, QString> m_commandOf;  // menu items and buttons, by the command they run
    QSet<QAction *> m_dead;  // disabled for want of a handler
    std::function<void()> m_aboutHandler;
    QList<std::function<void(QKeyEvent *)>> m_navigateKeys;
    std::function<int()> m_duplicateGroups;
    std::function<int()> m_savedDuplicates;
    QList<std::function<void()>> m_loadHooks;
    QList<std::function<void(int)>> m_tabHooks;
    QList<std::function<void()>> m_reopenHooks;
    QList<std::function<void()>> m_relayoutHooks;
    bool m_inTabClick = false;

    QToolBar *m_toolbar = nullptr;
    QTabBar *m_tabViewPort = nullptr;
    QStackedWidget *m_panels = nullptr;
    std::array<QWidget *, 5> m_picTabWindow {};
    QWidget *m_picInfo = nullptr;
    std::array<QGroupBox *, 3> m_fraInfo {};
    std::array<QPushButton *, 3> m_viewerButtons {};
    QWidget *m_statusPanel = nullptr;  // panel 4: the status text, the bar over it
    QLabel *m_statusText = nullptr;
    QProgressBar *m_progressBar = nullptr;
    // ResponseTimer(0): one relayout 300 ms after the last resize. The
    // viewer and the monitor keep timers of their own.
    QTimer *m_responseTimer = nullptr;
};

}  // namespace vexa
