#pragma once

#include <QHash>
#include <QMainWindow>

#include <array>
#include <functional>

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
// The tabs' contents and the long runs live in their own modules; they fill
// tabPanel(i) and infoFrame(i) and register the commands they implement with
// setCommandHandler, so this window knows none of them.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Tab panel numbers, 0-based as picTabWindow(0..4).
    enum Tab { TabDatabase = 0, TabViewer = 1, TabSettings = 2, TabDuplicates = 3, TabMonitor = 4 };
    // Information panels fraInfo(0..2).
    enum InfoPanel { InfoNone = -1, InfoViewer = 0, InfoGather = 1, InfoNarration = 2 };

    MainWindow();
    ~MainWindow() override;

    // The load handler: localises the window, reads the settings, sets the
    // command states once, lays the window out and runs the load hooks.
    void Load();

    // Commands implemented elsewhere, by name: "mnuGather", "mnuNarration",
    // "mnuStartMonitor", "DuplicateSave", "DuplicateLoad", "DuplicateClear",
    // "mnuOptions", "mnuHelpContents", "mnuHelpWeb", "mnuHelpAbout",
    // "HelpContext" (F1). A command without a handler does nothing.
    void setCommandHandler(const QString &command, std::function<void()> handler);
    void setAboutHandler(std::function<void()> handler);
    // Runs after the window's own load steps (fill the collection combo, ...).
    void addLoadHook(std::function<void()> hook);
    // Called when a tab becomes current (after the window's own steps).
    void addTabHook(std::function<void(int tab)> hook);
    // Key presses other than Backspace, Tab and F1 go to the viewer's
    // keyboard navigation, from whichever control has the focus; a handler
    // that accepts the event swallows the key.
    void setNavigateKeysHandler(std::function<void(QKeyEvent *)> handler);
    // Run after the database was closed and reopened by DBCompact (re-select
    // the last open collection, refill the directory list).
    void addReopenHook(std::function<void()> hook);
    // Run by Relayout, after the window's own controls are placed.
    void addRelayoutHook(std::function<void()> hook);
    // Asked whether the duplicate set / the saved duplicates table hold anything.
    void setDuplicateCounters(std::function<int()> groups, std::function<int()> saved);

    QWidget *tabPanel(int tab) const;
    QGroupBox *infoFrame(int panel) const;
    int currentTab() const { return m_currentTab; }
    void SelectTab(int tab);

    // Operation state
    bool isRunning() const { return m_running; }
    bool isCancelled() const { return m_cancel; }
    // Entering and leaving the running state of a long run.
    void BeginRun();
    void EndRun();
    void SetCommandStates(bool busy);
    void LockWorkArea(bool busy);
    void SetCollectionEditMode(bool editing);
    bool isCollectionEditMode() const { return m_editing; }
    // Kept up to date by the collection tab.
    void SetTickedDirectoryCount(int count);
    int tickedDirectoryCount() const { return m_tickedCount; }
    bool shiftDown() const { return m_shiftDown; }
    bool ctrlDown() const { return m_ctrlDown; }

    // Priority: index 0 real time, 1 high, 2 normal, 3 idle.
    void SetPriority(int index);
    void SetPriorityButton(int index, bool pressed);
    static int CurrentPriorityIndex();

    // Information panels and layout
    void ShowInfoPanel(int index);
    int infoPanelShown() const { return m_infoShown; }
    void Relayout();

    // Progress and status
    void SetStatusbarInfoText(const QString &text);
    QString statusbarInfoText() const;
    void InitialiseProgressBar(qint64 startValue, qint64 total);
    void SetProgressBarValue(qint64 count);
    void PlaceProgressBar();
    void HideProgressBar();
    QProgressBar *progressBar() const { return m_progressBar; }
    void ClearGatherInfo();
    void SetGatherCounters(qint64 position, qint64 fileCount, qint64 processed, qint64 total);
    void SetGatherFileInfo(const QString &text);
    void SetGatherError(qint64 errors);
    void SetGatherEstimate(const QString &text);
    // The narration panel's three counters (files to compare, compared, found).
    void SetNarrationCounters(qint64 toCompare, qint64 compared, qint64 found);
    void SetNarrationEstimate(const QString &text);

    // Commands (menu and toolbar reach the same ones)
    void DBCompact();
    void runCommand(const QString &command);
    QAction *action(const QString &name) const;  // menu item by its name
    QAction *toolbarAction(const QString &key) const;  // toolbar button by its key
    QPushButton *cancelButton(int index) const { return m_cmdCancel[size_t(index)]; }
    // cmdView, cmdPrevious, cmdNext of the image viewer navigation panel.
    QPushButton *viewerButton(int index) const { return m_viewerButtons[size_t(index)]; }
    QLabel *gatherLabel(const char *name) const;  // by object name, for tests

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
    QGroupBox *buildGatherPanel();
    QGroupBox *buildNarrationPanel();
    QGroupBox *buildViewerPanel();
    void firstActivation();
    void responseTimerTick();
    QAction *addMenuItem(QMenu *menu, const char *name, int textId);
    void rememberModifiers(QKeyEvent *event);
    void applyWindowLimits();

    // Window state
    bool m_running = false;
    bool m_cancel = false;
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
    std::function<void()> m_aboutHandler;
    std::function<void(QKeyEvent *)> m_navigateKeys;
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
    std::array<QPushButton *, 2> m_cmdCancel {};
    std::array<QPushButton *, 3> m_viewerButtons {};
    QWidget *m_statusPanel = nullptr;  // panel 4: the status text, the bar over it
    QLabel *m_statusText = nullptr;
    QProgressBar *m_progressBar = nullptr;
    // ResponseTimer(0): one relayout 300 ms after the last resize. The
    // viewer and the monitor keep timers of their own.
    QTimer *m_responseTimer = nullptr;

    // Gathering panel labels
    QLabel *m_lblGatherFileInfo = nullptr;
    QLabel *m_lblGatherProces = nullptr;
    QLabel *m_lblGatherInfo = nullptr;
    QLabel *m_lblGatherError = nullptr;
    QLabel *m_lblGatherErrorCaption = nullptr;  // lblInfo(13)
    QLabel *m_lblGatherEstimate = nullptr;
    // Narration panel labels
    QLabel *m_lblNarrationTotal = nullptr;
    QLabel *m_lblNarrationDone = nullptr;
    QLabel *m_lblNarrationFound = nullptr;
    QLabel *m_lblNarrationEstimate = nullptr;
};

}  // namespace vexa
