// The real main window offscreen, on a real database in a temporary program
// directory: command states, the unload refusal, priority, tabs, progress.
#include "base/priority.h"
#include "base/texts.h"
#include "gather/gatherpanel.h"
#include "narration/narrationpanel.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabBar>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace vexa;

namespace {

struct MainWindowTest : ::testing::Test {
    test::TempDataDir data;
    test::ScriptedMessages messages;
    std::unique_ptr<MainWindow> window = std::make_unique<MainWindow>();
    int groups = 0;
    int saved = 0;

    void SetUp() override
    {
        SetLangOffset(0);
        window->setDuplicateCounters([this] { return groups; }, [this] { return saved; });
        // The commands the modules implement, as they register them.
        for (const char *name : { "mnuGather", "mnuNarration", "mnuStartMonitor", "DuplicateSave",
                 "DuplicateLoad", "DuplicateClear", "mnuOptions", "mnuHelpContents", "mnuHelpWeb" })
            window->setCommandHandler(QLatin1String(name), [] {});
        window->setAboutHandler([] {});
        // The run panels, with their Cancel buttons, as gathering and
        // narration build them when they are installed.
        GatherPanel::In(*window);
        NarrationPanel::In(*window);
        window->Load();
        window->show();
        QApplication::processEvents();
    }

    bool enabled(const char *name) const
    {
        QAction *a = window->action(QLatin1String(name));
        if (!a)
            a = window->toolbarAction(QLatin1String(name));
        EXPECT_NE(a, nullptr) << name;
        return a && a->isEnabled();
    }
};

TEST_F(MainWindowTest, EveryMenuItemAndButtonIsPresentAndLocalised)
{
    const struct {
        const char *name;
        const char *caption;
    } items[] = {
        { "mnuProgram", "&Program" },
        { "mnuStatView", "&View" },
        { "mnuDBCompact", "&Compact" },
        { "mnuQuit", "&Quit" },
        { "mnuGather", "&Gather image data" },
        { "mnuStartMonitor", "Start &Monitoring" },
        { "mnuDupClear", "&Clear" },
        { "mnuPriorityValue0", "&RealTime" },
        { "mnuPriorityValue3", "&Idle" },
        { "mnuHelpWeb", "&Webpresence" },
        { "mnuHelpAbout", "&About" },
    };
    for (const auto &item : items) {
        QAction *a = window->action(QLatin1String(item.name));
        ASSERT_NE(a, nullptr) << item.name;
        EXPECT_EQ(a->text(), QLatin1String(item.caption)) << item.name;
    }
    const struct {
        const char *key;
        const char *tip;
    } buttons[] = {
        { "STATS", "View statistics." },
        { "MONITOR", "Start the monitoring of the selected directory." },
        { "HIGH", "Set priotiry to High." },
        { "DUPCLEAR", "Clear stored/current duplicates." },
    };
    for (const auto &button : buttons) {
        QAction *a = window->toolbarAction(QLatin1String(button.key));
        ASSERT_NE(a, nullptr) << button.key;
        EXPECT_EQ(a->toolTip(), QLatin1String(button.tip)) << button.key;
        EXPECT_FALSE(a->icon().pixmap(24, 24).isNull()) << button.key;
    }
    EXPECT_EQ(window->windowTitle(), QStringLiteral("VEXA II - Duplicate Image Finder"));
    auto *tabs = window->findChild<QTabBar *>(QStringLiteral("tabViewPort"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->tabText(3), QStringLiteral("Duplicates"));
    EXPECT_EQ(tabs->tabToolTip(4),
        QStringLiteral("Enhanced functions for monitoring and checking files."));
    EXPECT_EQ(
        window->infoFrame(MainWindow::InfoGather)->title(), QStringLiteral("Gathering image data"));
    EXPECT_EQ(window->cancelButton(1)->text(), QStringLiteral("&Cancel narration of imagedata"));
}

TEST_F(MainWindowTest, CommandStatesFollowTheTickedDirectoriesTheSetsAndTheRun)
{
    // Nothing ticked, nothing found or saved.
    EXPECT_FALSE(enabled("GATHER"));
    EXPECT_FALSE(enabled("NARRATE"));
    EXPECT_FALSE(enabled("mnuGather"));
    EXPECT_FALSE(enabled("mnuNarration"));
    EXPECT_FALSE(enabled("DUPSAVE"));
    EXPECT_FALSE(enabled("DUPCLEAR"));
    EXPECT_TRUE(enabled("STATS"));

    window->SetTickedDirectoryCount(2);
    EXPECT_TRUE(enabled("GATHER"));
    EXPECT_TRUE(enabled("mnuNarration"));

    // Saved duplicates but an empty set: load and clear only.
    saved = 3;
    window->SetCommandStates(false);
    EXPECT_FALSE(enabled("DUPSAVE"));
    EXPECT_FALSE(enabled("mnuDupSave"));
    EXPECT_TRUE(enabled("DUPLOAD"));
    EXPECT_TRUE(enabled("mnuDupLoad"));
    EXPECT_TRUE(enabled("DUPCLEAR"));
    EXPECT_TRUE(enabled("mnuDupClear"));

    groups = 1;
    window->BeginRun();
    for (const char *name : { "DUPSAVE", "DUPLOAD", "DUPCLEAR", "GATHER", "NARRATE", "mnuGather",
             "mnuNarration", "mnuDup", "mnuAction", "DBCOMP", "STATS", "MONITOR" })
        EXPECT_FALSE(enabled(name)) << name;
    // Priority and help stay reachable during a run.
    for (const char *name : { "mnuPriority", "mnuPriorityValue2", "IDLE", "REALTIME",
             "mnuHelpContents", "mnuOptions", "mnuQuit" })
        EXPECT_TRUE(enabled(name)) << name;
    EXPECT_FALSE(window->tabPanel(MainWindow::TabDatabase)->isEnabled());
    EXPECT_TRUE(window->cancelButton(0)->isEnabled());

    window->EndRun();
    EXPECT_TRUE(enabled("DUPSAVE"));
    EXPECT_TRUE(enabled("NARRATE"));
    EXPECT_TRUE(window->tabPanel(MainWindow::TabDatabase)->isEnabled());
}

TEST_F(MainWindowTest, CancelSetsTheFlagAndARunClearsIt)
{
    window->BeginRun();
    EXPECT_FALSE(window->isCancelled());
    window->cancelButton(0)->click();
    EXPECT_TRUE(window->isCancelled());
    window->EndRun();
    window->BeginRun();
    EXPECT_FALSE(window->isCancelled());
    window->cancelButton(1)->click();
    EXPECT_TRUE(window->isCancelled());
    window->EndRun();
}

TEST_F(MainWindowTest, ClosingDuringARunIsRefusedAndTheWindowStays)
{
    int unloads = 0;
    window->setCommandHandler(QStringLiteral("Unload"), [&] { ++unloads; });
    window->BeginRun();
    EXPECT_FALSE(window->close());
    EXPECT_TRUE(window->isVisible());
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text, QStringLiteral("First cancel current operation in progress."));
    EXPECT_EQ(messages.last().title, QStringLiteral("Operation in Progress"));
    EXPECT_EQ(messages.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(unloads, 0);

    window->EndRun();
    EXPECT_TRUE(window->close());
    EXPECT_EQ(unloads, 1);
}

TEST_F(MainWindowTest, ToolbarAndMenuReachTheSameCommands)
{
    QStringList ran;
    for (const char *name : { "mnuGather", "mnuNarration", "mnuStartMonitor", "DuplicateSave",
             "DuplicateLoad", "DuplicateClear" }) {
        const QString command = QLatin1String(name);
        window->setCommandHandler(command, [&ran, command] { ran << command; });
    }
    groups = 1;
    saved = 1;
    window->SetTickedDirectoryCount(1);
    for (const char *key : { "GATHER", "NARRATE", "MONITOR", "DUPSAVE", "DUPLOAD", "DUPCLEAR" })
        window->toolbarAction(QLatin1String(key))->trigger();
    for (const char *name : { "mnuGather", "mnuNarration", "mnuStartMonitor", "mnuDupSave",
             "mnuDupLoad", "mnuDupClear" })
        window->action(QLatin1String(name))->trigger();
    const QStringList once = { QStringLiteral("mnuGather"), QStringLiteral("mnuNarration"),
        QStringLiteral("mnuStartMonitor"), QStringLiteral("DuplicateSave"),
        QStringLiteral("DuplicateLoad"), QStringLiteral("DuplicateClear") };
    EXPECT_EQ(ran, once + once);
}

TEST_F(MainWindowTest, PriorityMenuAndButtonsStayInStep)
{
    const int before = CurrentProcessPriority();
    window->action(QStringLiteral("mnuPriorityValue2"))->trigger();  // "&Normal"
    EXPECT_TRUE(window->toolbarAction(QStringLiteral("NORMAL"))->isChecked());
    for (const char *key : { "IDLE", "HIGH", "REALTIME" })
        EXPECT_FALSE(window->toolbarAction(QLatin1String(key))->isChecked()) << key;
    EXPECT_TRUE(window->action(QStringLiteral("mnuPriorityValue2"))->isChecked());

    window->toolbarAction(QStringLiteral("IDLE"))->trigger();
    EXPECT_TRUE(window->action(QStringLiteral("mnuPriorityValue3"))->isChecked());
    EXPECT_FALSE(window->action(QStringLiteral("mnuPriorityValue2"))->isChecked());
    EXPECT_FALSE(window->toolbarAction(QStringLiteral("NORMAL"))->isChecked());
    EXPECT_EQ(CurrentProcessPriority(), 3);
    EXPECT_EQ(messages.count(), 0);

    // Leaving idle again needs privileges; without them the refusal is
    // reported and nothing stays pressed.
    window->SetPriority(2);
    if (CurrentProcessPriority() == 2) {
        EXPECT_TRUE(window->toolbarAction(QStringLiteral("NORMAL"))->isChecked());
    } else {
        ASSERT_EQ(messages.count(), 1);
        EXPECT_TRUE(messages.last().text.contains(QStringLiteral("SetPriority")));
        EXPECT_FALSE(window->toolbarAction(QStringLiteral("NORMAL"))->isChecked());
        EXPECT_FALSE(window->action(QStringLiteral("mnuPriorityValue2"))->isChecked());
    }
    (void)before;
}

TEST(Priority, NiceValuesMapBothWays)
{
    const int nice[4] = { -20, -10, 0, 19 };
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(NiceValueOfPriority(index), nice[index]);
        EXPECT_EQ(PriorityOfNiceValue(nice[index]), index);
    }
    // Below normal is none of the four and reads as real time.
    EXPECT_EQ(PriorityOfNiceValue(10), 0);
    EXPECT_EQ(PriorityOfNiceValue(5), 0);
}

TEST_F(MainWindowTest, DuplicatesTabIsRefusedWhileTheSetIsEmpty)
{
    auto *tabs = window->findChild<QTabBar *>(QStringLiteral("tabViewPort"));
    QList<int> hooked;
    window->addTabHook([&](int tab) { hooked << tab; });
    tabs->setCurrentIndex(MainWindow::TabSettings);
    EXPECT_EQ(window->currentTab(), MainWindow::TabSettings);

    tabs->setCurrentIndex(MainWindow::TabDuplicates);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().title, QStringLiteral("No Duplicates"));
    EXPECT_TRUE(
        messages.last().text.startsWith(QStringLiteral("There are no duplicates to be viewed")));
    EXPECT_EQ(window->currentTab(), MainWindow::TabSettings);
    EXPECT_EQ(tabs->currentIndex(), MainWindow::TabSettings);

    groups = 2;
    tabs->setCurrentIndex(MainWindow::TabDuplicates);
    EXPECT_EQ(window->currentTab(), MainWindow::TabDuplicates);
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(hooked.last(), int(MainWindow::TabDuplicates));
}

TEST_F(MainWindowTest, TabsChooseTheirInformationPanel)
{
    window->SelectTab(MainWindow::TabViewer);
    EXPECT_EQ(window->infoPanelShown(), int(MainWindow::InfoViewer));
    EXPECT_TRUE(window->infoFrame(MainWindow::InfoViewer)->isVisible());
    window->SelectTab(MainWindow::TabDatabase);
    EXPECT_EQ(window->infoPanelShown(), int(MainWindow::InfoNone));
    EXPECT_FALSE(window->infoFrame(MainWindow::InfoViewer)->isVisible());

    window->ShowInfoPanel(MainWindow::InfoGather);
    window->ShowInfoPanel(MainWindow::InfoNarration);
    EXPECT_FALSE(window->infoFrame(MainWindow::InfoGather)->isVisible());
    EXPECT_TRUE(window->infoFrame(MainWindow::InfoNarration)->isVisible());
}

TEST_F(MainWindowTest, ProgressBarScalesLargeTotalsAndIgnoresCountsBeyondThem)
{
    QProgressBar *bar = window->progressBar();
    EXPECT_FALSE(bar->isVisible());
    window->InitialiseProgressBar(0, 0);  // a total of 0 leaves the bar alone
    EXPECT_FALSE(bar->isVisible());

    window->InitialiseProgressBar(0, 50000);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->maximum(), 32000);
    window->SetProgressBarValue(25000);
    EXPECT_EQ(bar->value(), 16000);
    window->SetProgressBarValue(50001);
    EXPECT_EQ(bar->value(), 16000);
    window->SetProgressBarValue(50000);
    EXPECT_EQ(bar->value(), 32000);

    window->InitialiseProgressBar(0, 40);
    EXPECT_EQ(bar->maximum(), 40);
    window->SetProgressBarValue(3);
    EXPECT_EQ(bar->value(), 3);
    window->HideProgressBar();
    EXPECT_FALSE(bar->isVisible());

    window->SetStatusbarInfoText(QStringLiteral("Comparing..."));
    EXPECT_EQ(window->statusbarInfoText(), QStringLiteral("Comparing..."));
}

TEST_F(MainWindowTest, GatherPanelShowsCountersAndHidesTheErrorsUntilTheFirst)
{
    GatherPanel &panel = GatherPanel::In(*window);
    panel.SetCounters(3, 12, 40, 1000);
    EXPECT_EQ(window->gatherLabel("lblGatherProces")->text(), QStringLiteral("3/12"));
    EXPECT_EQ(window->gatherLabel("lblGatherInfo")->text(), QStringLiteral("40/1000"));
    window->ShowInfoPanel(MainWindow::InfoGather);
    EXPECT_FALSE(window->gatherLabel("lblGatherError")->isVisible());
    panel.SetErrors(1);
    EXPECT_TRUE(window->gatherLabel("lblGatherError")->isVisible());
    EXPECT_TRUE(window->gatherLabel("lblInfo13")->isVisible());
    EXPECT_EQ(window->gatherLabel("lblInfo13")->text(), QStringLiteral("Errors:"));
    panel.Clear();
    EXPECT_TRUE(window->gatherLabel("lblGatherProces")->text().isEmpty());
    EXPECT_FALSE(window->gatherLabel("lblGatherError")->isVisible());
    EXPECT_FALSE(window->gatherLabel("lblInfo13")->isVisible());
}

TEST(MainWindowCommands, CommandsWithoutAHandlerStayDisabledUntilOneIsRegistered)
{
    test::TempDataDir data;
    test::ScriptedMessages messages;
    SetLangOffset(0);
    MainWindow window;
    window.setDuplicateCounters([] { return 1; }, [] { return 1; });
    window.setCommandHandler(QStringLiteral("mnuNarration"), [] {});
    window.Load();
    window.SetTickedDirectoryCount(1);
    const struct {
        const char *name;
        bool toolbar;
    } dead[] = { { "mnuGather", false }, { "GATHER", true }, { "mnuStartMonitor", false },
        { "MONITOR", true }, { "mnuDupSave", false }, { "DUPLOAD", true }, { "mnuOptions", false },
        { "mnuHelpContents", false }, { "mnuHelpWeb", false }, { "mnuHelpAbout", false } };
    auto item = [&](const char *name, bool toolbar) {
        return toolbar ? window.toolbarAction(QLatin1String(name))
                       : window.action(QLatin1String(name));
    };
    for (const auto &row : dead)
        EXPECT_FALSE(item(row.name, row.toolbar)->isEnabled()) << row.name;
    EXPECT_EQ(window.commandsWithoutHandler(),
        QStringList({ "DuplicateClear", "DuplicateLoad", "DuplicateSave", "mnuGather",
            "mnuHelpAbout", "mnuHelpContents", "mnuHelpWeb", "mnuOptions", "mnuStartMonitor" }));
    // The window's own commands and a registered one work.
    for (const char *name : { "mnuNarration", "mnuStatView", "mnuDBCompact", "mnuQuit" })
        EXPECT_TRUE(window.action(QLatin1String(name))->isEnabled()) << name;

    int gathered = 0;
    window.setCommandHandler(QStringLiteral("mnuGather"), [&] { ++gathered; });
    window.setCommandHandler(QStringLiteral("mnuOptions"), [] {});
    window.setAboutHandler([] {});
    EXPECT_TRUE(window.action(QStringLiteral("mnuGather"))->isEnabled());
    EXPECT_TRUE(window.toolbarAction(QStringLiteral("GATHER"))->isEnabled());
    EXPECT_TRUE(window.action(QStringLiteral("mnuOptions"))->isEnabled());
    EXPECT_TRUE(window.action(QStringLiteral("mnuHelpAbout"))->isEnabled());
    window.toolbarAction(QStringLiteral("GATHER"))->trigger();
    EXPECT_EQ(gathered, 1);
    // Revived, it still follows the state rules: nothing ticked, no gathering.
    window.SetTickedDirectoryCount(0);
    EXPECT_FALSE(window.action(QStringLiteral("mnuGather"))->isEnabled());
    EXPECT_FALSE(window.action(QStringLiteral("mnuStartMonitor"))->isEnabled());
}

TEST_F(MainWindowTest, EditModeLocksTheTabsAndTheCommands)
{
    window->SetTickedDirectoryCount(1);
    window->SetCollectionEditMode(true);
    EXPECT_FALSE(window->findChild<QTabBar *>(QStringLiteral("tabViewPort"))->isEnabled());
    EXPECT_FALSE(enabled("GATHER"));
    EXPECT_FALSE(enabled("mnuDup"));
    window->SetCollectionEditMode(false);
    EXPECT_TRUE(window->findChild<QTabBar *>(QStringLiteral("tabViewPort"))->isEnabled());
    EXPECT_TRUE(enabled("GATHER"));
}

TEST_F(MainWindowTest, F1IsConsumedAndOtherKeysReachTheNavigation)
{
    int help = 0;
    QList<int> navigated;
    window->setCommandHandler(QStringLiteral("HelpContext"), [&] { ++help; });
    window->addNavigateKeysHandler([&](QKeyEvent *event) {
        navigated << event->key();
        if (event->key() == Qt::Key_Right)
            event->accept();
    });
    QWidget *target = window->tabPanel(MainWindow::TabDatabase);
    target->setFocus();
    QKeyEvent f1(QEvent::KeyPress, Qt::Key_F1, Qt::NoModifier);
    QApplication::sendEvent(
        QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), &f1);
    EXPECT_EQ(help, 1);
    QKeyEvent right(QEvent::KeyPress, Qt::Key_Right, Qt::ShiftModifier);
    QApplication::sendEvent(
        QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), &right);
    EXPECT_EQ(navigated, QList<int> { Qt::Key_Right });
    EXPECT_TRUE(window->shiftDown());
    EXPECT_FALSE(window->ctrlDown());
    QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
    QApplication::sendEvent(
        QApplication::focusWidget() ? QApplication::focusWidget() : window.get(), &tab);
    EXPECT_EQ(navigated.size(), 1);
}

TEST_F(MainWindowTest, WindowKeepsItsMinimumSize)
{
    window->resize(300, 200);
    QApplication::processEvents();
    EXPECT_GE(window->width(), 576);
    EXPECT_GE(window->height(), 432);
    EXPECT_LE(
        window->maximumWidth(), QGuiApplication::primaryScreen()->availableGeometry().width());
}

TEST_F(MainWindowTest, DutchWindowHasDutchMenus)
{
    SetLangOffset(2000);
    MainWindow dutch;
    dutch.Load();
    EXPECT_NE(dutch.action(QStringLiteral("mnuProgram"))->text(), QStringLiteral("&Program"));
    EXPECT_EQ(dutch.action(QStringLiteral("mnuProgram"))->text(), Text(200));
    EXPECT_NE(dutch.windowTitle(), QStringLiteral("300"));
    SetLangOffset(0);
}

}  // namespace
