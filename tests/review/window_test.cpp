// The whole main window offscreen: narration from the menu, the Duplicates
// tab it ends on, the duplicate commands from menu and toolbar, keys reaching
// the viewer, and a saved set surviving a restart on the same data directory.
#include "reviewfixture.h"

#include "app/appobjects.h"
#include "base/environment.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/notduplicates.h"
#include "db/selectionsql.h"
#include "db/settings.h"
#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"
#include "narration/narrationrun_ui.h"
#include "review/duplicateviewer.h"
#include "review/fullimageview.h"
#include "review/groupoverview.h"
#include "review/overviewpanel.h"
#include "review/previewtile.h"
#include "review/reviewinstall.h"
#include "support/clirunner.h"
#include "support/qtprinters.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace vexa;
using vexa::test::ReviewLibrary;
using vexa::test::WaitUntil;

namespace {

// The window as the program builds it, with a collection host standing in
// for the image-database tab: one ticked directory of the test library.
struct Window {
    explicit Window(ReviewLibrary &library, bool ticked = true)
    {
        window = std::make_unique<MainWindow>();
        viewer = InstallReview(*window);
        NarrationHost host;
        const std::int32_t collection = library.collectionId();
        const std::int64_t item = library.itemId();
        host.collectionId = [collection] { return collection; };
        host.directoryItems = [item, ticked] {
            DirectoryListItem directory;
            directory.key = DirectoryKey(item);
            directory.checked = ticked;
            return QList<DirectoryListItem> { directory };
        };
        host.countSelection = [this] { window->SetTickedDirectoryCount(1); };
        InstallNarration(*window, host);
        window->resize(900, 700);
        window->Load();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
        window->SetTickedDirectoryCount(1);
    }

    // The delayed rebuild has run and every thumbnail is painted.
    bool settle()
    {
        return WaitUntil([this] {
            return !viewer->delayedActionPending() && !viewer->thumbnailsLoading()
                && viewer->viewReady() && window->isEnabled();
        });
    }
    // Enabled states of DUPSAVE/mnuDupSave, DUPLOAD/mnuDupLoad, DUPCLEAR/mnuDupClear;
    // a toolbar button and its menu item that disagree give -1.
    QList<int> duplicateCommands() const
    {
        QList<int> states;
        const char *pairs[3][2] = { { "DUPSAVE", "mnuDupSave" }, { "DUPLOAD", "mnuDupLoad" },
            { "DUPCLEAR", "mnuDupClear" } };
        for (const auto &pair : pairs) {
            QAction *button = window->toolbarAction(QLatin1String(pair[0]));
            QAction *item = window->action(QLatin1String(pair[1]));
            if (!button || !item) {
                states.append(-2);
                continue;
            }
            const bool on = button->isEnabled();
            states.append(on == item->isEnabled() ? int(on) : -1);
        }
        return states;
    }

    std::unique_ptr<MainWindow> window;
    DuplicateViewer *viewer = nullptr;
};

int SavedRows()
{
    return AppDb().duplicates->recordCount();
}

// Three files with one signature, so every narration method groups them:
// a landscape, a portrait and a square picture.
struct ThreeAlike {
    explicit ThreeAlike(ReviewLibrary &library)
        : landscape(library.addImage(QStringLiteral("landscape.png"), 320, 200))
        , portrait(library.addImage(QStringLiteral("portrait.png"), 200, 320))
        , square(library.addImage(QStringLiteral("square.png"), 240, 240))
    {
    }
    std::int32_t landscape;
    std::int32_t portrait;
    std::int32_t square;
};

}  // namespace

TEST(ReviewWindow, NarrationFromTheMenuEndsOnTheDuplicatesTab)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    Window w(library);
    // Localising the window (tiles and their menus included) reports nothing.
    EXPECT_EQ(library.messages().count(), 0) << library.messages().last().text.toStdString();
    EXPECT_EQ(w.duplicateCommands(), (QList<int> { 0, 0, 0 }));
    QAction *narrate = w.window->action(QStringLiteral("mnuNarration"));
    ASSERT_NE(narrate, nullptr);
    ASSERT_TRUE(narrate->isEnabled());

    narrate->trigger();

    ASSERT_GE(library.messages().count(), 1);
    EXPECT_EQ(library.messages().last().title, Text(741));
    EXPECT_EQ(w.window->currentTab(), int(MainWindow::TabDuplicates));
    ASSERT_EQ(Duplicates()->Count(), 1);
    EXPECT_EQ(Duplicates()->Item(1).lSource(), files.landscape);
    EXPECT_EQ(
        Duplicates()->Item(1).lFileID(), (QList<std::int32_t> { files.portrait, files.square }));
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.viewer->tileCount(), 2);
    EXPECT_TRUE(w.viewer->tile(0)->isVisible());
    EXPECT_EQ(w.viewer->countLabel()->text(), QStringLiteral("1"));
    EXPECT_FALSE(w.viewer->groupSlider()->isVisible());
    // A set in memory, nothing saved yet.
    EXPECT_EQ(w.duplicateCommands(), (QList<int> { 1, 0, 1 }));
    EXPECT_TRUE(w.window->tabPanel(MainWindow::TabDuplicates)->isEnabled());
}

TEST(ReviewWindow, SaveRestartLoadAndClearThroughMenuAndToolbar)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    std::int32_t keep = 0;
    {
        Window w(library);
        w.window->action(QStringLiteral("mnuNarration"))->trigger();
        ASSERT_EQ(Duplicates()->Count(), 1);
        ASSERT_TRUE(w.settle());
        w.window->toolbarAction(QStringLiteral("DUPSAVE"))->trigger();
        EXPECT_EQ(SavedRows(), 1);
        EXPECT_EQ(w.duplicateCommands(), (QList<int> { 1, 1, 1 }));
        EXPECT_TRUE(w.window->isEnabled());
        keep = Duplicates()->Item(1).lSource();
        w.window->close();
    }

    // Restart: the objects and the database go, the same data directory opens again.
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase());
    CreateApplicationObjects();
    Window w(library);
    EXPECT_EQ(Duplicates()->Count(), 0);
    EXPECT_EQ(w.duplicateCommands(), (QList<int> { 0, 1, 1 }));

    w.window->action(QStringLiteral("mnuDupLoad"))->trigger();
    ASSERT_EQ(Duplicates()->Count(), 1);
    EXPECT_EQ(Duplicates()->Item(1).lSource(), keep);
    EXPECT_EQ(
        Duplicates()->Item(1).lFileID(), (QList<std::int32_t> { files.portrait, files.square }));
    EXPECT_EQ(w.window->currentTab(), int(MainWindow::TabDuplicates));
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.viewer->tileCount(), 2);
    EXPECT_FALSE(w.window->progressBar()->isVisible());
    EXPECT_EQ(w.duplicateCommands(), (QList<int> { 1, 1, 1 }));

    w.window->toolbarAction(QStringLiteral("DUPCLEAR"))->trigger();
    EXPECT_EQ(w.window->currentTab(), int(MainWindow::TabDatabase));
    EXPECT_EQ(Duplicates()->Count(), 0);
    EXPECT_EQ(SavedRows(), 0);
    EXPECT_EQ(w.viewer->tileCount(), 0);
    EXPECT_EQ(w.duplicateCommands(), (QList<int> { 0, 0, 0 }));
}

TEST(ReviewWindow, LoadingOnlyDroppedGroupsLeavesTheDuplicatesTab)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    Window w(library);
    Duplicates()->Add({ files.portrait }, files.landscape, 0, QString());
    w.window->SetCommandStates(false);
    w.window->toolbarAction(QStringLiteral("DUPSAVE"))->trigger();
    w.window->SelectTab(MainWindow::TabDuplicates);
    ASSERT_TRUE(w.settle());
    ASSERT_EQ(w.viewer->tileCount(), 1);

    library.deleteRecord(files.portrait);
    library.messages().clear();
    w.window->toolbarAction(QStringLiteral("DUPLOAD"))->trigger();

    EXPECT_EQ(Duplicates()->Count(), 0);
    EXPECT_EQ(w.window->currentTab(), int(MainWindow::TabDatabase));
    EXPECT_EQ(w.viewer->tileCount(), 0);
    EXPECT_EQ(library.messages().count(), 0);
    EXPECT_EQ(w.duplicateCommands(), (QList<int> { 0, 1, 1 }));
}

TEST(ReviewWindow, KeysReachTheViewerFromTheWindowAndViewModeEndsWithTheTab)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    Window w(library);
    Duplicates()->Add({ files.portrait, files.square }, files.landscape, 0, QString());
    Duplicates()->Add({ files.landscape }, files.square, 0, QString());
    w.window->SelectTab(MainWindow::TabDuplicates);
    ASSERT_TRUE(w.settle());
    ASSERT_EQ(w.viewer->tileCount(), 2);
    QWidget *focus = QApplication::focusWidget();
    ASSERT_NE(focus, nullptr);

    QTest::keyClick(focus, Qt::Key_Right);
    EXPECT_EQ(w.viewer->currentTile(), 1);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(w.viewer->currentTile(), 2);
    EXPECT_TRUE(w.viewer->tile(1)->IsActive());
    EXPECT_TRUE(w.viewer->tile(2)->IsActive());

    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_TRUE(w.viewer->ViewMode());
    EXPECT_TRUE(w.viewer->fullView()->isVisible());

    // Another tab leaves the full-size view and frees the tiles.
    w.window->SelectTab(MainWindow::TabSettings);
    EXPECT_FALSE(w.viewer->ViewMode());
    EXPECT_EQ(w.viewer->tileCount(), 0);

    w.window->SelectTab(MainWindow::TabDuplicates);
    ASSERT_TRUE(w.settle());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown);
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.viewer->groupSlider()->value(), 2);
    EXPECT_EQ(w.viewer->tileCount(), 1);
    EXPECT_EQ(w.viewer->currentLabel()->text(), QStringLiteral("2"));

    // Keys on another tab are not the viewer's.
    w.window->SelectTab(MainWindow::TabDatabase);
    QTest::keyClick(w.window.get(), Qt::Key_PageUp);
    EXPECT_EQ(w.viewer->groupSlider()->value(), 2);
}

TEST(ReviewWindow, LeavingTheTabBeforeTheDelayDropsTheRebuild)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    Window w(library);
    Duplicates()->Add({ files.portrait, files.square }, files.landscape, 0, QString());
    w.window->SelectTab(MainWindow::TabDuplicates);
    ASSERT_TRUE(w.viewer->delayedActionPending());
    w.window->SelectTab(MainWindow::TabDatabase);
    EXPECT_FALSE(w.viewer->delayedActionPending());
    QTest::qWait(450);
    EXPECT_EQ(w.viewer->tileCount(), 0);
    EXPECT_FALSE(w.viewer->thumbnailsLoading());
}

TEST(ReviewWindow, NarrationWithNoDirectoryTickedReportsAndShowsTheFirstTab)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    Window w(library, false);
    w.window->SelectTab(MainWindow::TabMonitor);
    w.window->action(QStringLiteral("mnuNarration"))->trigger();

    ASSERT_EQ(library.messages().count(), 1);
    EXPECT_TRUE(library.messages().last().text.contains(QStringLiteral("mnuNarration")))
        << library.messages().last().text.toStdString();
    EXPECT_EQ(w.window->currentTab(), int(MainWindow::TabDatabase));
    EXPECT_EQ(Duplicates()->Count(), 0);
    EXPECT_FALSE(w.window->isRunning());
    EXPECT_TRUE(w.window->tabPanel(MainWindow::TabDatabase)->isEnabled());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

namespace {

QString RunCli(const QStringList &args, int &status)
{
    const test::CliResult result = test::RunCli(args, ProgramDirectory());
    status = result.status;
    return result.out;
}

}  // namespace

// A large collection narrated headless is reviewed in the window with Load.
TEST(ReviewWindow, HeadlessNarrationSavedByTheCliLoadsInTheWindow)
{
    if (!QFile::exists(test::CliPath()))
        GTEST_SKIP() << "vexa-cli not built at " << test::CliPath().toStdString();
    ReviewLibrary library;
    const ThreeAlike files(library);
    int status = -1;
    RunCli(
        { QStringLiteral("narrate"), QStringLiteral("Review"), QStringLiteral("--save") }, status);
    ASSERT_EQ(status, 0);

    const QString listed = RunCli(
        { QStringLiteral("duplicates"), QStringLiteral("list"), QStringLiteral("--json") }, status);
    EXPECT_EQ(status, 0);
    const QJsonObject group
        = QJsonDocument::fromJson(listed.split(QLatin1Char('\n')).first().toUtf8()).object();
    EXPECT_EQ(group.value(QStringLiteral("source")).toObject().value(QStringLiteral("id")).toInt(),
        files.landscape)
        << listed.toStdString();

    Window w(library);
    EXPECT_EQ(w.duplicateCommands(), (QList<int> { 0, 1, 1 }));
    w.window->action(QStringLiteral("mnuDupLoad"))->trigger();
    ASSERT_EQ(Duplicates()->Count(), 1);
    EXPECT_EQ(Duplicates()->Item(1).lSource(), files.landscape);
    EXPECT_EQ(
        Duplicates()->Item(1).lFileID(), (QList<std::int32_t> { files.portrait, files.square }));
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(w.viewer->tileCount(), 2);

    RunCli({ QStringLiteral("duplicates"), QStringLiteral("clear") }, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(SavedRows(), 0);
}

namespace {

int TileOf(const DuplicateViewer &viewer, const QString &fileName)
{
    for (int i = 0; i <= viewer.tileCount(); ++i) {
        if (viewer.tile(i) && viewer.tile(i)->FileName() == fileName)
            return i;
    }
    return -1;
}

QAction *NotDuplicateEntry(const uctrlPreview *tile)
{
    return tile->popupMenu()->findChild<QAction *>(QStringLiteral("mnuPU_NotDuplicate"));
}

}  // namespace

// "Not a duplicate" from the tile menu and by key: the file leaves its
// group, a group left with its source alone goes, and the pairs stay out of
// every later narration: after a restart, a gather of the same files, and a
// new narration; vexa-cli lists and forgets them.
TEST(ReviewWindow, NotADuplicateSurvivesRestartRegatherAndRenarration)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    {
        Window w(library);
        w.window->action(QStringLiteral("mnuNarration"))->trigger();
        ASSERT_EQ(Duplicates()->Count(), 1);
        ASSERT_TRUE(w.settle());
        ASSERT_EQ(w.viewer->tileCount(), 2);
        EXPECT_FALSE(NotDuplicateEntry(w.viewer->tile(0))->isVisible()) << "not on the source";
        const int portrait = TileOf(*w.viewer, QStringLiteral("portrait.png"));
        ASSERT_GT(portrait, 0);
        QAction *entry = NotDuplicateEntry(w.viewer->tile(portrait));
        ASSERT_NE(entry, nullptr);
        EXPECT_TRUE(entry->isVisible());
        EXPECT_EQ(entry->text(), Text(1900));

        w.viewer->SelectThumb(portrait);
        entry->trigger();
        ASSERT_TRUE(w.settle());
        ASSERT_EQ(Duplicates()->Count(), 1);
        EXPECT_EQ(Duplicates()->Item(1).lFileID(), QList<std::int32_t> { files.square });
        EXPECT_EQ(w.viewer->tileCount(), 1);

        // The key on the last duplicate: the group goes, and with it the tab.
        w.viewer->SelectThumb(1);
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_N);
        EXPECT_EQ(Duplicates()->Count(), 0);
        EXPECT_EQ(w.window->currentTab(), int(MainWindow::TabDatabase));
        EXPECT_EQ(w.duplicateCommands(), (QList<int> { 0, 0, 0 }));
        w.window->close();
    }

    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase());
    CreateApplicationObjects();
    int status = -1;
    if (QFile::exists(test::CliPath())) {
        // The files gathered again keep their records and so their pairs.
        test::RunCli({ QStringLiteral("gather"), QStringLiteral("Review") }, ProgramDirectory());
        const test::CliResult listed = test::RunCli(
            { QStringLiteral("duplicates"), QStringLiteral("ignored"), QStringLiteral("--json") },
            ProgramDirectory());
        EXPECT_EQ(listed.status, 0) << listed.err.toStdString();
        EXPECT_EQ(listed.out.count(QLatin1Char('\n')), 2) << listed.out.toStdString();
        EXPECT_TRUE(listed.out.contains(library.directory() + QStringLiteral("/portrait.png")));
        status = 0;
    }
    Window w(library);
    w.window->action(QStringLiteral("mnuNarration"))->trigger();
    // The portrait and the square were never dismissed as a pair.
    ASSERT_EQ(Duplicates()->Count(), 1);
    EXPECT_EQ(Duplicates()->Item(1).lSource(), files.portrait);
    EXPECT_EQ(Duplicates()->Item(1).lFileID(), QList<std::int32_t> { files.square });
    ASSERT_TRUE(w.settle());
    if (status != 0)
        return;

    const test::CliResult forgot = test::RunCli(
        { QStringLiteral("duplicates"), QStringLiteral("unignore"), QStringLiteral("--id"),
            QString::number(files.square), QString::number(files.landscape) },
        ProgramDirectory());
    EXPECT_EQ(forgot.status, 0) << forgot.err.toStdString();
    w.window->action(QStringLiteral("mnuNarration"))->trigger();
    ASSERT_EQ(Duplicates()->Count(), 1);
    EXPECT_EQ(Duplicates()->Item(1).lSource(), files.landscape);
    EXPECT_EQ(Duplicates()->Item(1).lFileID(), QList<std::int32_t> { files.square });

    // The same pair by paths, headless; a path without a record fails.
    const QString dir = library.directory() + QLatin1Char('/');
    const test::CliResult ignored
        = test::RunCli({ QStringLiteral("duplicates"), QStringLiteral("ignore"), dir + "square.png",
                           dir + "landscape.png" },
            ProgramDirectory());
    EXPECT_EQ(ignored.status, 0) << ignored.err.toStdString();
    EXPECT_EQ(test::RunCli({ QStringLiteral("duplicates"), QStringLiteral("ignore"),
                               dir + "square.png", dir + "nothing.png" },
                  ProgramDirectory())
                  .status,
        1);
    w.window->action(QStringLiteral("mnuNarration"))->trigger();
    ASSERT_EQ(Duplicates()->Count(), 1);
    EXPECT_EQ(Duplicates()->Item(1).lSource(), files.portrait);
}

// A memory source has no record to pair with: nothing is offered and the
// key changes nothing.
TEST(ReviewWindow, NotADuplicateIsNotOfferedForAMemorySource)
{
    ReviewLibrary library;
    const ThreeAlike files(library);
    Window w(library);
    MemorySignatureEntry loose;
    loose.Path = library.directory();
    loose.FileName = QStringLiteral("landscape.png");
    MemorySignatures().clear();
    MemorySignatures().append(loose);
    Duplicates()->Add({ files.portrait }, -1, 0, QString());
    w.window->SelectTab(MainWindow::TabDuplicates);
    ASSERT_TRUE(w.settle());
    ASSERT_EQ(w.viewer->tileCount(), 1);
    EXPECT_FALSE(NotDuplicateEntry(w.viewer->tile(1))->isVisible());
    w.viewer->SelectThumb(1);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_N);
    EXPECT_EQ(Duplicates()->Count(), 1);
    EXPECT_TRUE(NotDuplicatePairs(*AppDb().db).isEmpty());
    MemorySignatures().clear();
}

// The overview beside the tiles against the set: one row per group with its
// files and bytes to gain, sorting by each, the path filter, a chosen row
// shown in the tiles with the slider following, the page of remembered
// pairs with Forget, and shown again after a restart.
TEST(ReviewWindow, OverviewSortsFiltersAndShowsTheChosenGroup)
{
    ReviewLibrary library;
    const QString dir = library.directory() + QLatin1Char('/');
    const std::int32_t a1 = library.addImage(QStringLiteral("alpha1.png"), 120, 90);
    const std::int32_t a2 = library.addImage(QStringLiteral("alpha2.png"), 60, 45);
    const std::int32_t b1 = library.addImage(QStringLiteral("beta1.png"), 300, 200);
    const std::int32_t b2 = library.addImage(QStringLiteral("beta2.png"), 150, 100);
    const std::int32_t b3 = library.addImage(QStringLiteral("beta3.png"), 75, 50);
    const std::int32_t c1 = library.addImage(QStringLiteral("gamma1.png"), 40, 40);
    const std::int32_t c2 = library.addImage(QStringLiteral("gamma2.png"), 40, 40);
    Duplicates()->Add({ a2 }, a1, 0, QString());
    Duplicates()->Add({ b2, b3 }, b1, 0, QString());
    Duplicates()->Add({ c2 }, c1, 0, QString());
    const auto size = [&](const char *name) { return QFileInfo(dir + name).size(); };
    const qint64 gainA = std::min(size("alpha1.png"), size("alpha2.png"));
    const qint64 gainB = size("beta1.png") + size("beta2.png") + size("beta3.png")
        - std::max({ size("beta1.png"), size("beta2.png"), size("beta3.png") });
    const qint64 gainC = std::min(size("gamma1.png"), size("gamma2.png"));
    {
        Window w(library);
        w.window->SelectTab(MainWindow::TabDuplicates);
        ASSERT_TRUE(w.settle());
        EXPECT_FALSE(w.viewer->overview()->isVisible()) << "hidden until asked for";
        w.viewer->overviewButton()->click();
        OverviewPanel *overview = w.viewer->overview();
        ASSERT_TRUE(overview->isVisible());
        QSortFilterProxyModel *rows = overview->proxy();
        ASSERT_EQ(rows->rowCount(), 3);
        const auto column = [&](int c, int role) {
            QList<QVariant> values;
            for (int r = 0; r < rows->rowCount(); ++r)
                values.append(rows->index(r, c).data(role));
            return values;
        };
        const int position = GroupOverviewModel::PositionRole;
        const int sortRole = GroupOverviewModel::SortRole;
        // Opened sorted by bytes to gain, most first.
        QList<std::pair<qint64, int>> byGain { { gainA, 1 }, { gainB, 2 }, { gainC, 3 } };
        std::sort(byGain.begin(), byGain.end(), [](auto l, auto r) { return l.first > r.first; });
        QList<QVariant> gains, positions;
        for (const auto &[gain, group] : byGain) {
            gains.append(gain);
            positions.append(group);
        }
        EXPECT_EQ(column(GroupOverviewModel::Reclaimable, sortRole), gains);
        EXPECT_EQ(column(GroupOverviewModel::Source, position), positions);
        overview->table()->sortByColumn(GroupOverviewModel::Files, Qt::DescendingOrder);
        EXPECT_EQ(column(GroupOverviewModel::Files, Qt::DisplayRole).first(), QVariant(3));
        EXPECT_EQ(column(GroupOverviewModel::Source, position).first(), QVariant(2));
        overview->table()->sortByColumn(GroupOverviewModel::Source, Qt::AscendingOrder);
        EXPECT_EQ(column(GroupOverviewModel::Source, Qt::DisplayRole),
            (QList<QVariant> { dir + "alpha1.png", dir + "beta1.png", dir + "gamma1.png" }));
        EXPECT_TRUE(column(GroupOverviewModel::Keep, Qt::DisplayRole)
                        .at(1)
                        .toString()
                        .startsWith(QStringLiteral("beta1.png (") + Text(1901)))
            << column(GroupOverviewModel::Keep, Qt::DisplayRole).at(1).toString().toStdString();

        // A rule changed in the options shows in the keep column on return.
        QFile beta3(dir + "beta3.png");
        ASSERT_TRUE(beta3.open(QIODevice::ReadWrite));
        ASSERT_TRUE(beta3.setFileTime(
            QDateTime(QDate(2001, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
        beta3.close();
        ASSERT_TRUE(WriteSetting(QStringLiteral("KeepBestRule"), QStringLiteral("oldest")));
        QEvent activate(QEvent::WindowActivate);
        QApplication::sendEvent(w.window.get(), &activate);
        EXPECT_TRUE(column(GroupOverviewModel::Keep, Qt::DisplayRole)
                        .at(1)
                        .toString()
                        .startsWith(QStringLiteral("beta3.png (")))
            << column(GroupOverviewModel::Keep, Qt::DisplayRole).at(1).toString().toStdString();
        ASSERT_TRUE(WriteSetting(QStringLiteral("KeepBestRule"), QString()));

        overview->filter()->setText(QStringLiteral("GAMMA"));
        ASSERT_EQ(rows->rowCount(), 1);
        QTest::mouseClick(overview->table()->viewport(), Qt::LeftButton, {},
            overview->table()->visualRect(rows->index(0, GroupOverviewModel::Files)).center());
        EXPECT_EQ(w.viewer->groupSlider()->value(), 3);
        ASSERT_TRUE(w.settle());
        EXPECT_EQ(w.viewer->tile(0)->FileName(), QStringLiteral("gamma1.png"));
        overview->filter()->clear();
        EXPECT_EQ(rows->rowCount(), 3);

        // "Not a duplicate" takes the group away; its pair is listed and forgotten.
        w.viewer->SelectThumb(1);
        w.viewer->NotDuplicateSelectedThumbs();
        EXPECT_EQ(rows->rowCount(), 2);
        overview->pages()->setCurrentIndex(1);
        ASSERT_EQ(overview->pairs()->topLevelItemCount(), 1);
        EXPECT_EQ(overview->pairs()->topLevelItem(0)->text(0), dir + "gamma1.png");
        overview->pairs()->topLevelItem(0)->setSelected(true);
        overview->forgetButton()->click();
        EXPECT_EQ(overview->pairs()->topLevelItemCount(), 0);
        EXPECT_TRUE(NotDuplicatePairs(*AppDb().db).isEmpty());
        w.window->close();
    }
    Window again(library);
    again.window->SelectTab(MainWindow::TabDuplicates);
    ASSERT_TRUE(again.settle());
    EXPECT_TRUE(again.viewer->overview()->isVisible()) << "shown, as it was left";
    EXPECT_EQ(again.viewer->overview()->proxy()->rowCount(), 2);
}
