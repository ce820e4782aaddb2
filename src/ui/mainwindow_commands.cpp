// The main window's commands: menu tree, toolbar, command states, the work
// area lock, the collection edit mode, priority and database compaction.
#include "ui/mainwindow.h"

#include "base/errors.h"
#include "base/messages.h"
#include "base/priority.h"
#include "base/textids.h"
#include "base/texts.h"
#include "db/lifecycle.h"
#include "db/settings.h"
#include "db/statistics.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QToolBar>

namespace vexa {

namespace {

constexpr char kModule[] = "frmVEXA";

struct ToolbarButton {
    const char *key;
    const char *icon;
    int toolTipId;
    const char *command;  // the command it runs by name; nullptr for the priority buttons
};

// In image-list order; the tool tips hold their text ids until the caption
// walk replaces them.
constexpr ToolbarButton kToolbarButtons[] = {
    { "STATS", "stats", 1017, "mnuStatView" },
    { "DBCOMP", "dbcompact", 1018, "mnuDBCompact" },
    { "GATHER", "gather", 1019, "mnuGather" },
    { "NARRATE", "narrate", 1020, "mnuNarration" },
    { "MONITOR", "monitor", 1035, "mnuStartMonitor" },
    { "IDLE", "idle", 1021, nullptr },
    { "NORMAL", "normal", 1022, nullptr },
    { "HIGH", "high", 1023, nullptr },
    { "REALTIME", "realtime", 1024, nullptr },
    { "DUPSAVE", "dupsave", 1025, "DuplicateSave" },
    { "DUPLOAD", "dupload", 1026, "DuplicateLoad" },
    { "DUPCLEAR", "dupclear", 1027, "DuplicateClear" },
};

constexpr const char *kPriorityKeys[4] = { "REALTIME", "HIGH", "NORMAL", "IDLE" };

QMenu *AddMenu(QMenuBar *bar, QMenu *parent, const char *name, int textId)
{
    auto *menu
        = parent ? parent->addMenu(QString::number(textId)) : bar->addMenu(QString::number(textId));
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

void SetEnabled(QAction *action, bool enabled)
{
    if (action)
        action->setEnabled(enabled);
}

}  // namespace

QAction *MainWindow::addMenuItem(QMenu *menu, const char *name, int textId)
{
    QAction *item = menu->addAction(QString::number(textId));
    item->setObjectName(QLatin1String(name));
    m_actions.insert(QLatin1String(name), item);
    return item;
}

void MainWindow::buildMenus()
{
    QMenuBar *bar = menuBar();
    auto remember
        = [this](QMenu *menu) { m_actions.insert(menu->objectName(), menu->menuAction()); };
    auto command = [this](QAction *item, const QString &name) {
        m_commandOf.insert(item, name);
        connect(item, &QAction::triggered, this, [this, name] { runCommand(name); });
    };

    QMenu *program = AddMenu(bar, nullptr, "mnuProgram", 200);
    QMenu *statistics = AddMenu(bar, program, "mnuStatistics", 201);
    command(addMenuItem(statistics, "mnuStatView", 202), QStringLiteral("mnuStatView"));
    command(addMenuItem(statistics, "mnuStatClear", 203), QStringLiteral("mnuStatClear"));
    QMenu *database = AddMenu(bar, program, "mnuDatabase", 204);
    command(addMenuItem(database, "mnuDBCompact", 206), QStringLiteral("mnuDBCompact"));
    command(addMenuItem(program, "mnuOptions", 207), QStringLiteral("mnuOptions"));
    program->addSeparator();
    command(addMenuItem(program, "mnuQuit", 208), QStringLiteral("mnuQuit"));

    QMenu *run = AddMenu(bar, nullptr, "mnuAction", 210);
    command(addMenuItem(run, "mnuGather", 211), QStringLiteral("mnuGather"));
    command(addMenuItem(run, "mnuNarration", 212), QStringLiteral("mnuNarration"));
    command(addMenuItem(run, "mnuStartMonitor", 213), QStringLiteral("mnuStartMonitor"));

    QMenu *duplicates = AddMenu(bar, nullptr, "mnuDup", 220);
    command(addMenuItem(duplicates, "mnuDupSave", 221), QStringLiteral("DuplicateSave"));
    command(addMenuItem(duplicates, "mnuDupLoad", 222), QStringLiteral("DuplicateLoad"));
    duplicates->addSeparator();
    command(addMenuItem(duplicates, "mnuDupClear", 223), QStringLiteral("DuplicateClear"));

    QMenu *priority = AddMenu(bar, nullptr, "mnuPriority", 230);
    for (int i = 0; i < 4; ++i) {
        const QByteArray name = "mnuPriorityValue" + QByteArray::number(i);
        QAction *item = addMenuItem(priority, name.constData(), 231 + i);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this, [this, i] { SetPriority(i); });
    }

    QMenu *help = AddMenu(bar, nullptr, "mnuHelp", 240);
    command(addMenuItem(help, "mnuHelpContents", 241), QStringLiteral("mnuHelpContents"));
    command(addMenuItem(help, "mnuHelpWeb", 242), QStringLiteral("mnuHelpWeb"));
    help->addSeparator();
    command(addMenuItem(help, "mnuHelpAbout", 243), QStringLiteral("mnuHelpAbout"));

    for (QMenu *menu : { program, statistics, database, run, duplicates, priority, help })
        remember(menu);
}

void MainWindow::buildToolbar()
{
    m_toolbar = addToolBar(QStringLiteral("tbAction"));
    m_toolbar->setObjectName(QStringLiteral("tbAction"));
    m_toolbar->setMovable(false);
    m_toolbar->setIconSize(QSize(24, 24));
    m_toolbar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    for (const ToolbarButton &button : kToolbarButtons) {
        const QString key = QLatin1String(button.key);
        QAction *item = m_toolbar->addAction(
            QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(button.icon))), QString());
        item->setObjectName(key);
        item->setToolTip(QString::number(button.toolTipId));
        SetTextIds(item, 0, button.toolTipId);
        m_buttons.insert(key, item);
        if (button.command)
            m_commandOf.insert(item, QLatin1String(button.command));
        connect(item, &QAction::triggered, this, [this, key] { toolbarClicked(key); });
        // Separators between the groups: database, runs, priority, duplicates.
        if (key == QLatin1String("DBCOMP") || key == QLatin1String("MONITOR")
            || key == QLatin1String("REALTIME"))
            m_toolbar->addSeparator();
    }
    for (const char *key : kPriorityKeys)
        m_buttons.value(QLatin1String(key))->setCheckable(true);
}

QAction *MainWindow::action(const QString &name) const
{
    return m_actions.value(name);
}

QAction *MainWindow::toolbarAction(const QString &key) const
{
    return m_buttons.value(key);
}

void MainWindow::toolbarClicked(const QString &key)
{
    if (key == QLatin1String("STATS"))
        runCommand(QStringLiteral("mnuStatView"));
    else if (key == QLatin1String("DBCOMP"))
        runCommand(QStringLiteral("mnuDBCompact"));
    else if (key == QLatin1String("GATHER"))
        runCommand(QStringLiteral("mnuGather"));
    else if (key == QLatin1String("NARRATE"))
        runCommand(QStringLiteral("mnuNarration"));
    else if (key == QLatin1String("MONITOR"))
        runCommand(QStringLiteral("mnuStartMonitor"));
    else if (key == QLatin1String("IDLE"))
        SetPriority(3);
    else if (key == QLatin1String("NORMAL"))
        SetPriority(2);
    else if (key == QLatin1String("HIGH"))
        SetPriority(1);
    else if (key == QLatin1String("REALTIME"))
        SetPriority(0);
    else if (key == QLatin1String("DUPSAVE"))
        runCommand(QStringLiteral("DuplicateSave"));
    else if (key == QLatin1String("DUPLOAD"))
        runCommand(QStringLiteral("DuplicateLoad"));
    else if (key == QLatin1String("DUPCLEAR"))
        runCommand(QStringLiteral("DuplicateClear"));
}

void MainWindow::runCommand(const QString &command)
{
    // The window's own commands; the others belong to the modules that
    // registered them, and a command nobody registered does nothing.
    if (command == QLatin1String("mnuStatView")) {
        ShowStatistics();
    } else if (command == QLatin1String("mnuStatClear")) {
        ClearStatisticsCommand();
    } else if (command == QLatin1String("mnuDBCompact")) {
        DBCompact();
    } else if (command == QLatin1String("mnuQuit")) {
        close();
    } else if (command == QLatin1String("mnuHelpAbout")) {
        if (m_aboutHandler)
            m_aboutHandler();
    } else if (const auto handler = m_handlers.value(command)) {
        handler();
    }
}

void MainWindow::SetMonitoring(bool monitoring)
{
    m_monitoring = monitoring;
    SetCommandStates(m_running || m_editing);
    LockWorkArea(m_running);
}

void MainWindow::SetCommandStates(bool busy)
{
    const bool idle = !busy && !m_monitoring;
    for (const char *menu :
        { "mnuDatabase", "mnuStatistics", "mnuAction", "mnuHelpAbout", "mnuHelpWeb", "mnuDup" })
        SetEnabled(action(QLatin1String(menu)), idle);
    for (const char *key : { "DBCOMP", "STATS", "MONITOR" })
        SetEnabled(toolbarAction(QLatin1String(key)), idle);

    bool save = false;
    bool load = false;
    bool runs = false;
    if (idle) {
        save = m_duplicateGroups && m_duplicateGroups() > 0;
        load = m_savedDuplicates && m_savedDuplicates() > 0;
        runs = m_tickedCount != 0;
    }
    SetEnabled(toolbarAction(QStringLiteral("DUPSAVE")), save);
    SetEnabled(action(QStringLiteral("mnuDupSave")), save);
    SetEnabled(toolbarAction(QStringLiteral("DUPLOAD")), load);
    SetEnabled(action(QStringLiteral("mnuDupLoad")), load);
    SetEnabled(toolbarAction(QStringLiteral("DUPCLEAR")), save || load);
    SetEnabled(action(QStringLiteral("mnuDupClear")), save || load);
    for (const char *name : { "GATHER", "NARRATE" })
        SetEnabled(toolbarAction(QLatin1String(name)), runs);
    for (const char *name : { "mnuGather", "mnuNarration" })
        SetEnabled(action(QLatin1String(name)), runs);
    disableDeadCommands();
}

bool MainWindow::hasCommand(const QString &command) const
{
    static const QStringList own = { QStringLiteral("mnuStatView"), QStringLiteral("mnuStatClear"),
        QStringLiteral("mnuDBCompact"), QStringLiteral("mnuQuit") };
    if (own.contains(command))
        return true;
    if (command == QLatin1String("mnuHelpAbout"))
        return bool(m_aboutHandler);
    return bool(m_handlers.value(command));
}

QStringList MainWindow::commandsWithoutHandler() const
{
    QStringList commands;
    for (const QString &command : m_commandOf) {
        if (!hasCommand(command) && !commands.contains(command))
            commands << command;
    }
    commands.sort();
    return commands;
}

void MainWindow::disableDeadCommands()
{
    // A command nobody implements would do nothing when chosen; it is shown
    // disabled instead.
    for (auto it = m_commandOf.cbegin(); it != m_commandOf.cend(); ++it) {
        if (!hasCommand(it.value())) {
            it.key()->setEnabled(false);
            m_dead.insert(it.key());
        }
    }
}

void MainWindow::LockWorkArea(bool busy)
{
    busy = busy || m_monitoring;
    for (QWidget *panel : m_picTabWindow)
        panel->setEnabled(!busy);
    for (const char *name :
        { "fraDBButton", "fraDBList", "fraDUPCtrl", "fraDUPView", "fraIVDir", "fraIVFiles" }) {
        if (auto *frame = findChild<QWidget *>(QLatin1String(name)))
            frame->setEnabled(!busy);
    }
}

void MainWindow::BeginRun()
{
    QApplication::setOverrideCursor(Qt::BusyCursor);
    SetCommandStates(true);
    LockWorkArea(true);
    m_running = true;
    m_cancel = false;
}

void MainWindow::EndRun()
{
    m_running = false;
    QApplication::restoreOverrideCursor();
    SetCommandStates(false);
    LockWorkArea(false);
}

void MainWindow::SetCollectionEditMode(bool editing)
{
    m_editing = editing;
    m_tabViewPort->setEnabled(!editing);
    SetCommandStates(editing);
}

void MainWindow::SetTickedDirectoryCount(int count)
{
    m_tickedCount = count;
    if (!m_running && !m_editing)
        SetCommandStates(false);
}

void MainWindow::SetPriorityButton(int index, bool pressed)
{
    if (index < 0 || index > 3)
        return;
    if (QAction *button = toolbarAction(QLatin1String(kPriorityKeys[index])))
        button->setChecked(pressed);
}

void MainWindow::SetPriority(int index)
{
    for (int i = 0; i < 4; ++i) {
        SetPriorityButton(i, false);
        if (QAction *item = action(QStringLiteral("mnuPriorityValue%1").arg(i)))
            item->setChecked(false);
    }
    long number = 0;
    QString description;
    if (!ApplyProcessPriority(index, number, description)) {
        ReportError(number, description, QLatin1String(kModule), QStringLiteral("SetPriority"));
        return;
    }
    SetPriorityButton(index, true);
    if (QAction *item = action(QStringLiteral("mnuPriorityValue%1").arg(index)))
        item->setChecked(true);
}

int MainWindow::CurrentPriorityIndex()
{
    return CurrentProcessPriority();
}

void MainWindow::DBCompact()
{
    SetStatusbarInfoText(Text(732));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    CloseApplicationDatabase();
    CompactApplicationDatabase();
    const bool reopened = OpenApplicationDatabase();
    QApplication::restoreOverrideCursor();
    if (!reopened) {
        // Saying "succesfully compacted" over a database that did not open
        // again would hide the failure; the user must know before working on.
        ReportError(0,
            QStringLiteral("The database could not be opened again after compacting: ")
                + DatabasePath(),
            QLatin1String(kModule), QStringLiteral("DBCompact"));
        SetStatusbarInfoText(QString());
        return;
    }
    for (const auto &hook : m_reopenHooks)
        hook();
    Messages().show(Text(733), Text(721), MsgIcon::Information, MsgButtons::Ok);
    SetStatusbarInfoText(QString());
}

}  // namespace vexa
