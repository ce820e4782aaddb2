// Deleting and renaming from the tiles, and the Intelligent Autodelete
// button, in the whole main window offscreen with a real trash.
#include "reviewfixture.h"
#include "trashhome.h"

#include "app/appobjects.h"
#include "base/environment.h"
#include "base/fileops.h"
#include "base/renamequestion.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/settings.h"
#include "db/statistics.h"
#include "narration/duplicateset.h"
#include "review/duplicatepersistence.h"
#include "review/duplicateviewer.h"
#include "review/keepbest.h"
#include "review/previewtile.h"
#include "review/reviewinstall.h"
#include "support/clirunner.h"
#include "support/qtprinters.h"
#include "ui/mainwindow.h"
#include "ui/optionsdialog.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <unistd.h>

#include <memory>

using namespace vexa;
using vexa::test::ReviewLibrary;
using vexa::test::TrashHome;
using vexa::test::WaitUntil;

namespace {

struct Window {
    Window()
    {
        window = std::make_unique<MainWindow>();
        viewer = InstallReview(*window);
        window->resize(900, 700);
        window->Load();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }
    bool settle()
    {
        return WaitUntil([this] {
            return !viewer->delayedActionPending() && !viewer->thumbnailsLoading()
                && viewer->viewReady() && window->isEnabled();
        });
    }
    // Shows the set's first group; tile 0 is selected afterwards.
    bool showDuplicates()
    {
        window->SelectTab(MainWindow::TabDuplicates);
        return settle();
    }
    // Selects exactly these tiles, as clicks with Ctrl would.
    void select(const QList<int> &tiles)
    {
        viewer->SetModifierFlags(0);
        viewer->SelectThumb(tiles.first());
        viewer->SetModifierFlags(2);
        for (qsizetype i = 1; i < tiles.size(); ++i)
            viewer->SelectThumb(tiles[i]);
        viewer->SetModifierFlags(0);
    }
    // Right-clicks the tile's picture and chooses an entry of its menu.
    void menu(int index, const char *entry)
    {
        uctrlPreview *tile = viewer->tile(index);
        QWidget *picture = tile->findChildren<QWidget *>().first();
        QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(5, 5));
        QMenu *popup = tile->popupMenu();
        ASSERT_TRUE(popup->isVisible()) << "the menu of an existing file opens";
        QAction *action = popup->findChild<QAction *>(QLatin1String(entry));
        ASSERT_NE(action, nullptr) << entry;
        popup->hide();
        action->trigger();
    }

    // A key pressed wherever the focus is, as the user would.
    void key(Qt::Key key)
    {
        QWidget *focus = QApplication::focusWidget();
        QTest::keyClick(focus ? focus : window.get(), key);
    }

    std::unique_ptr<MainWindow> window;
    DuplicateViewer *viewer = nullptr;
};

bool RecordExists(std::int32_t id)
{
    return AppDb().fileData->findFirst(QStringLiteral("ID=") + QString::number(id));
}

QString RecordName(std::int32_t id)
{
    RecordSet &set = *AppDb().fileData;
    return set.findFirst(QStringLiteral("ID=") + QString::number(id))
        ? set.value(QStringLiteral("FileName")).toString()
        : QString();
}

qint64 FilesDeleted()
{
    return CurrentStatistics().filesDeleted.toLongLong();
}

}  // namespace

TEST(DeleteFromTiles, MenuAndDeleteKeyRemoveExactlyTheSelectedFiles)
{
    TrashHome trash;
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("source.png"), 120, 80);
    const std::int32_t one = library.addImage(QStringLiteral("one.png"), 120, 80);
    const std::int32_t two = library.addImage(QStringLiteral("two.png"), 80, 120);
    const std::int32_t three = library.addImage(QStringLiteral("three.png"), 90, 90);
    Duplicates()->Add({ one, two, three }, source, 0, {});
    Window w;
    EXPECT_TRUE(AllowUndoFlag()) << "a new database deletes into the trash";
    ASSERT_TRUE(w.showDuplicates());
    ASSERT_EQ(w.viewer->tileCount(), 3);
    const qint64 counted = FilesDeleted();

    // The tile menu on tile 2: the click selects it alone.
    w.menu(2, "mnuPU_Delete");
    EXPECT_EQ(trash.trashedFiles(), QStringList { QStringLiteral("two.png") });
    EXPECT_EQ(w.viewer->tile(2)->fileNameText(), Text(810));
    EXPECT_FALSE(w.viewer->tile(2)->Exists());
    EXPECT_FALSE(w.viewer->tile(2)->hasPicture());
    EXPECT_FALSE(RecordExists(two));
    EXPECT_EQ(FilesDeleted(), counted + 1);
    EXPECT_TRUE(w.window->statusbarInfoText().isEmpty());
    EXPECT_TRUE(w.window->isEnabled());

    // A DELETED tile opens no menu.
    QWidget *picture = w.viewer->tile(2)->findChildren<QWidget *>().first();
    QTest::mouseClick(picture, Qt::RightButton, {}, QPoint(5, 5));
    EXPECT_FALSE(w.viewer->tile(2)->popupMenu()->isVisible());

    // The Delete key with tiles 0 and 3 selected (2, already deleted, too).
    w.select({ 0, 2, 3 });
    w.key(Qt::Key_Delete);
    EXPECT_EQ(trash.trashedFiles(), (QStringList { "source.png", "three.png", "two.png" }));
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/one.png")));
    EXPECT_TRUE(RecordExists(one));
    EXPECT_FALSE(RecordExists(source));
    EXPECT_FALSE(RecordExists(three));
    EXPECT_EQ(FilesDeleted(), counted + 3);
    EXPECT_EQ(w.viewer->tile(0)->fileNameText(), Text(810));
    EXPECT_NE(w.viewer->tile(1)->fileNameText(), Text(810));
    EXPECT_EQ(library.messages().count(), 0);

    // Nothing selected: nothing happens.
    w.select({ 1 });
    w.viewer->SetModifierFlags(2);
    w.viewer->SelectThumb(1);
    w.viewer->SetModifierFlags(0);
    ASSERT_TRUE(w.viewer->selectedTiles().isEmpty());
    w.key(Qt::Key_Delete);
    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/one.png")));
    EXPECT_TRUE(w.window->statusbarInfoText().isEmpty());
}

TEST(DeleteFromTiles, AFileTheTrashCannotTakeKeepsRecordTileAndCount)
{
    TrashHome trash;
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("source.png"), 60, 60);
    const std::int32_t copy = library.addImage(QStringLiteral("copy.png"), 60, 60);
    Duplicates()->Add({ copy }, source, 0, {});
    Window w;
    ASSERT_TRUE(w.showDuplicates());
    const qint64 counted = FilesDeleted();
    trash.breakTrash();
    w.select({ 1 });
    w.key(Qt::Key_Delete);

    EXPECT_TRUE(QFileInfo::exists(library.directory() + QStringLiteral("/copy.png")));
    EXPECT_TRUE(RecordExists(copy));
    EXPECT_EQ(FilesDeleted(), counted);
    EXPECT_TRUE(w.viewer->tile(1)->Exists());
    ASSERT_EQ(library.messages().count(), 1);
    EXPECT_EQ(library.messages().last().title, Text(767));
    EXPECT_TRUE(library.messages().last().text.startsWith(Text(1950)));
    EXPECT_TRUE(library.messages().last().text.contains(QStringLiteral("copy.png: ") + Text(1953)));
    EXPECT_TRUE(w.window->isEnabled());
}

TEST(DeleteFromTiles, WithoutUndoTheFileIsRemovedOutright)
{
    TrashHome trash;
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("source.png"), 60, 60);
    const std::int32_t copy = library.addImage(QStringLiteral("copy.png"), 60, 60);
    Duplicates()->Add({ copy }, source, 0, {});
    SaveSystemSetting(QStringLiteral("AllowUndo"), false);
    Window w;
    EXPECT_FALSE(AllowUndoFlag());
    ASSERT_TRUE(w.showDuplicates());
    w.menu(1, "mnuPU_Delete");
    EXPECT_FALSE(QFileInfo::exists(library.directory() + QStringLiteral("/copy.png")));
    EXPECT_FALSE(RecordExists(copy));
    EXPECT_TRUE(trash.trashedFiles().isEmpty());
    SetAllowUndoFlag(false);
}

TEST(RenameFromTiles, QuestionRulesAndFailuresLeaveEverythingAsItWas)
{
    TrashHome trash;
    ReviewLibrary library;
    const std::int32_t source = library.addImage(QStringLiteral("source.png"), 60, 60);
    const std::int32_t copy = library.addImage(QStringLiteral("copy.png"), 60, 60);
    Duplicates()->Add({ copy }, source, 0, {});
    Window w;
    ASSERT_TRUE(w.showDuplicates());
    test::ScriptedMessages &messages = library.messages();
    const QString dir = library.directory() + QLatin1Char('/');

    struct Row {
        const char *name;
        QString typed;  // empty QString(): the dialog is cancelled
        QList<MsgResult> answers;
        QString expectedName;  // of file, record and tile afterwards
        QList<int> messageTexts;  // text ids of the messages shown, prompt excluded
    } rows[] = {
        { "cancelled", QString(), {}, "copy.png", {} },
        { "unchanged", "copy.png", {}, "copy.png", {} },
        { "empty", "", {}, "copy.png", { 788 } },
        { "slash", "a/b.png", {}, "copy.png", { 788 } },
        { "onto the source", "source.png", {}, "copy.png", { 1951 } },
        { "extension, No", "copy.jpg", { MsgResult::No }, "copy.png", { 787 } },
        { "extension, Yes", "copy.jpg", { MsgResult::Yes }, "copy.jpg", { 787 } },
        { "quotes and accents", "Zoë's \"mooiste\" kopie.jpg", {}, "Zoë's \"mooiste\" kopie.jpg",
            {} },
    };
    QString current = QStringLiteral("copy.png");
    for (const Row &row : rows) {
        messages.clear();
        if (!row.typed.isNull())
            messages.answerPrompt(row.typed);
        for (const MsgResult answer : row.answers)
            messages.answer(answer);
        w.menu(1, "mnuPU_Rename");
        ASSERT_GE(messages.count(), 1) << row.name;
        EXPECT_EQ(messages.shown().first().title, Text(700)) << row.name;
        EXPECT_EQ(messages.shown().first().text, Text(701)) << row.name;
        QList<int> shown;
        for (qsizetype i = 1; i < messages.shown().size(); ++i) {
            const QString text = messages.shown()[i].text;
            for (const int id : { 787, 788, 1951 }) {
                if (text.startsWith(Text(id)))
                    shown.append(id);
            }
        }
        EXPECT_EQ(shown, row.messageTexts) << row.name;
        EXPECT_TRUE(QFileInfo::exists(dir + row.expectedName)) << row.name;
        if (row.expectedName != current) {
            EXPECT_FALSE(QFileInfo::exists(dir + current)) << row.name;
        }
        EXPECT_EQ(RecordName(copy), row.expectedName) << row.name;
        EXPECT_EQ(w.viewer->tile(1)->FileName(), row.expectedName) << row.name;
        current = row.expectedName;
    }
    EXPECT_EQ(w.viewer->tile(1)->fileNameText(), current) << "the new name alone";
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("source.png")));
    EXPECT_EQ(RecordName(source), QStringLiteral("source.png"));
    EXPECT_TRUE(w.window->isEnabled());
    EXPECT_FALSE(w.window->progressBar()->isVisible());
}

TEST(RenameQuestion, FirstActivationAndExtensionRules)
{
    test::ScriptedMessages messages;
    EXPECT_EQ(frmQuestion::ExtensionOf(QStringLiteral("a.b.JPG")), QStringLiteral(".JPG"));
    EXPECT_EQ(frmQuestion::ExtensionOf(QStringLiteral("name")), QStringLiteral("name"));
    frmQuestion question;
    question.Activate(QStringLiteral("a.jpg"));
    question.Activate(QStringLiteral("later.png"));  // only the first activation counts
    EXPECT_FALSE(question.Rename());
    question.TextChanged(QStringLiteral("b.JPG"));
    EXPECT_TRUE(question.Rename());
    question.Ok();
    EXPECT_TRUE(question.Rename()) << "the extension compares without case";
    EXPECT_EQ(messages.count(), 0);
    question.TextChanged(QStringLiteral("a.jpg"));
    question.Ok();
    EXPECT_FALSE(question.Rename()) << "the name shown at first";
    question.TextChanged(QStringLiteral("b.png"));
    question.Cancel();
    EXPECT_FALSE(question.Rename());
}

TEST(Autodelete, TheButtonRemovesIdenticalCopiesReportsAndShowsWhatIsLeft)
{
    TrashHome trash;
    ReviewLibrary library;
    const std::int32_t a = library.addImage(QStringLiteral("a.png"), 100, 70);
    const std::int32_t holiday = library.addFile(
        QStringLiteral("holiday-a.png"),
        [&] {
            QFile file(library.directory() + QStringLiteral("/a.png"));
            file.open(QIODevice::ReadOnly);
            return file.readAll();
        }(),
        100, 70);
    const std::int32_t other = library.addImage(QStringLiteral("other.png"), 100, 70, Qt::red);
    const std::int32_t b = library.addImage(QStringLiteral("b.png"), 50, 50);
    const std::int32_t c = library.addImage(QStringLiteral("c.png"), 50, 50, Qt::green);
    Duplicates()->Add({ holiday, other }, a, 0, {});
    Duplicates()->Add({ c }, b, 0, {});
    Window w;
    ASSERT_TRUE(w.showDuplicates());
    QPushButton *button = w.viewer->binaryCompareButton();
    EXPECT_EQ(button->text(), Text(511));
    EXPECT_EQ(button->toolTip(), Text(1033));

    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_GE(library.messages().count(), 1);
    const auto report = library.messages().shown().first();
    EXPECT_EQ(report.title, Text(650));
    EXPECT_EQ(report.icon, MsgIcon::Information);
    EXPECT_EQ(report.text,
        Text(781) + "1" + QChar(13) + QChar(13) + Text(782) + "0" + QChar(13) + Text(783) + "2");
    EXPECT_EQ(trash.trashedFiles(), QStringList { QStringLiteral("a.png") });
    EXPECT_FALSE(RecordExists(a));
    EXPECT_TRUE(RecordExists(holiday));
    EXPECT_TRUE(button->isEnabled());
    EXPECT_FALSE(w.window->isRunning());
    EXPECT_FALSE(w.window->progressBar()->isVisible());
    EXPECT_EQ(w.window->currentTab(), int(MainWindow::TabDuplicates));
    ASSERT_TRUE(w.settle());
    EXPECT_FALSE(w.viewer->tile(0)->isVisible()) << "the source went: only its duplicates show";

    // Nothing identical is left: message 780.
    library.messages().clear();
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_GE(library.messages().count(), 1);
    EXPECT_EQ(library.messages().shown().first().text, Text(780));
    ASSERT_TRUE(w.settle());
}

namespace {

// The plan vexa-cli prints for the saved set: per group the file kept and
// the files selected, by path.
using Plan = QList<std::pair<QString, QStringList>>;

Plan CliPlan()
{
    const test::CliResult result = test::RunCli(
        { QStringLiteral("duplicates"), QStringLiteral("select"), QStringLiteral("--json") },
        ProgramDirectory());
    EXPECT_EQ(result.status, 0) << result.err.toStdString();
    Plan plan;
    for (const QString &line : result.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QJsonObject group = QJsonDocument::fromJson(line.toUtf8()).object();
        QStringList selected;
        for (const QJsonValue &file : group.value(QStringLiteral("select")).toArray())
            selected.append(file.toObject().value(QStringLiteral("path")).toString());
        plan.append({ group.value(QStringLiteral("keep"))
                          .toObject()
                          .value(QStringLiteral("path"))
                          .toString(),
            selected });
    }
    return plan;
}

Plan WindowPlan(const DuplicateViewer &viewer)
{
    Plan plan;
    for (const KeepGroupPlan &group : viewer.keepPlans()) {
        QStringList selected;
        for (const int i : group.selected())
            selected.append(group.files[std::size_t(i)].path);
        plan.append({ group.files[std::size_t(group.decision.kept)].path, selected });
    }
    return plan;
}

}  // namespace

// "Select all but the best ... in every group": the window's plan is the
// one vexa-cli prints; Delete removes every group's selection into the
// trash, but never the last existing copy: a group whose kept file went
// after the plan was made keeps its other file, and another name of the
// kept file is never selected.
TEST(KeepBestFromTiles, EveryGroupPlanEqualsTheCliAndDeleteNeverTakesTheLastCopy)
{
    if (!QFile::exists(test::CliPath()))
        GTEST_SKIP() << "vexa-cli not built at " << test::CliPath().toStdString();
    TrashHome trash;
    ReviewLibrary library;
    const QString dir = library.directory() + QLatin1Char('/');
    const std::int32_t big = library.addImage(QStringLiteral("big.png"), 400, 300);
    const std::int32_t small = library.addImage(QStringLiteral("small.png"), 200, 150);
    const std::int32_t smaller = library.addImage(QStringLiteral("smaller.png"), 100, 75);
    const std::int32_t goes = library.addImage(QStringLiteral("goes.png"), 300, 300);
    const std::int32_t last = library.addImage(QStringLiteral("last.png"), 100, 100);
    const std::int32_t one = library.addImage(QStringLiteral("one.png"), 90, 90);
    const std::int32_t link = library.addRecordOnly(QStringLiteral("link.png"), 90, 90);
    ASSERT_EQ(::link(QFile::encodeName(dir + QStringLiteral("one.png")).constData(),
                  QFile::encodeName(dir + QStringLiteral("link.png")).constData()),
        0);
    Duplicates()->Add({ big, smaller }, small, 0, {});
    Duplicates()->Add({ last }, goes, 0, {});
    Duplicates()->Add({ link }, one, 0, {});
    ASSERT_TRUE(DuplicateSave(*Duplicates()));
    const Plan cli = CliPlan();

    Window w;
    ASSERT_TRUE(w.showDuplicates());
    w.viewer->keepBestEveryGroupButton()->click();
    ASSERT_TRUE(w.viewer->keepPlansForEveryGroup());
    EXPECT_EQ(WindowPlan(*w.viewer), cli);
    EXPECT_EQ(cli,
        (Plan { { dir + "big.png", { dir + "small.png", dir + "smaller.png" } },
            { dir + "goes.png", { dir + "last.png" } }, { dir + "link.png", {} } }))
        << "link.png's record is the larger; one.png, the same file, is not selected";
    // The first group's tiles: the two smaller pictures selected, with the reason.
    QStringList reasons;
    for (const uctrlPreview *tile : w.viewer->selectedTiles())
        reasons.append(tile->FileName() + QStringLiteral(": ") + tile->keepReason());
    EXPECT_EQ(reasons,
        (QStringList { "small.png: kept: 400 × 300, more pixels",
            "smaller.png: kept: 400 × 300, more pixels" }));

    // The kept file of the second group goes before Delete.
    ASSERT_TRUE(QFile::remove(dir + QStringLiteral("goes.png")));
    w.key(Qt::Key_Delete);
    ASSERT_TRUE(w.settle());
    EXPECT_EQ(trash.trashedFiles(), (QStringList { "small.png", "smaller.png" }));
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("last.png"))) << "the last copy stays";
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("link.png")));
    EXPECT_FALSE(RecordExists(small));
    EXPECT_TRUE(RecordExists(last));
    ASSERT_EQ(library.messages().count(), 1);
    EXPECT_TRUE(library.messages().last().text.contains(QStringLiteral("last.png: ") + Text(1991)))
        << library.messages().last().text.toStdString();
    // The first group has one file left and goes; the others stay.
    EXPECT_EQ(Duplicates()->Count(), 2);
    EXPECT_TRUE(w.viewer->keepPlans().empty());
}

// The group shown: the button selects all but the best with the rule of
// the options; a click on a tile hands the selection back to the user.
TEST(KeepBestFromTiles, TheGroupShownFollowsTheRuleOfTheOptions)
{
    TrashHome trash;
    ReviewLibrary library;
    const std::int32_t wide = library.addImage(QStringLiteral("wide.png"), 300, 100);
    const std::int32_t tall = library.addImage(QStringLiteral("tall.png"), 100, 200);
    Duplicates()->Add({ tall }, wide, 0, {});
    Window w;
    {
        // The rule is set once in the options; keys that do not parse are put back.
        OptionsDialog options(w.window.get());
        EXPECT_EQ(options.txtKeepRule()->text(), QStringLiteral("pixels,size,oldest,shortest"));
        options.txtKeepRule()->setText(QStringLiteral("size, size"));
        emit options.txtKeepRule()->editingFinished();
        EXPECT_EQ(options.txtKeepRule()->text(), QStringLiteral("pixels,size,oldest,shortest"));
        options.txtKeepRule()->setText(QStringLiteral("Size, pixels"));
        emit options.txtKeepRule()->editingFinished();
        EXPECT_EQ(options.txtKeepRule()->text(), QStringLiteral("size,pixels"));
    }
    ASSERT_TRUE(w.showDuplicates());
    w.viewer->keepBestButton()->click();
    const KeepRule rule = StoredKeepRule();
    ASSERT_EQ(rule.keys, (std::vector<KeepKey> { KeepKey::Size, KeepKey::Pixels }));
    const QFileInfo wideFile(library.directory() + QStringLiteral("/wide.png"));
    const QFileInfo tallFile(library.directory() + QStringLiteral("/tall.png"));
    // By size: whichever PNG is larger stays.
    const bool wideStays = wideFile.size() >= tallFile.size();
    ASSERT_EQ(w.viewer->selectedTiles().size(), 1);
    const uctrlPreview *selected = w.viewer->selectedTiles().first();
    EXPECT_EQ(selected->FileName(), wideStays ? "tall.png" : "wide.png");
    EXPECT_TRUE(selected->keepReason().endsWith(
        wideFile.size() == tallFile.size() ? Text(1903) : Text(1904)))
        << selected->keepReason().toStdString();

    // A click on a tile: the plan is dropped and its reasons go.
    w.viewer->SelectThumb(0);
    emit w.viewer->tile(0)->Click(0, {});
    EXPECT_TRUE(w.viewer->keepPlans().empty());
    EXPECT_TRUE(selected->keepReason().isEmpty());
}

// vexa-cli duplicates select --apply: the selected files go to the trash,
// the kept ones stay, and the saved set is pruned; a rule that does not
// parse is a usage error that touches nothing.
TEST(KeepBestFromTiles, CliApplyDeletesTheSelectionAndSavesThePrunedSet)
{
    if (!QFile::exists(test::CliPath()))
        GTEST_SKIP() << "vexa-cli not built at " << test::CliPath().toStdString();
    TrashHome trash;
    ReviewLibrary library;
    const QString dir = library.directory() + QLatin1Char('/');
    const std::int32_t big = library.addImage(QStringLiteral("big.png"), 400, 300);
    const std::int32_t small = library.addImage(QStringLiteral("small.png"), 200, 150);
    Duplicates()->Add({ small }, big, 0, {});
    ASSERT_TRUE(DuplicateSave(*Duplicates()));
    const auto cli = [](const QStringList &args) {
        QStringList all { QStringLiteral("duplicates"), QStringLiteral("select") };
        return test::RunCli(all + args, ProgramDirectory());
    };
    EXPECT_EQ(cli({ QStringLiteral("--rule"), QStringLiteral("pixels,bigness") }).status, 2);
    EXPECT_EQ(cli({ QStringLiteral("--rule"), QStringLiteral("shortest,pixels"),
                      QStringLiteral("--apply") })
                  .status,
        0);
    // The shorter path is big.png's ("big" against "small").
    EXPECT_EQ(trash.trashedFiles(), QStringList { QStringLiteral("small.png") });
    EXPECT_TRUE(QFileInfo::exists(dir + QStringLiteral("big.png")));
    AppDb().duplicates->requery();
    EXPECT_EQ(AppDb().duplicates->recordCount(), 0) << "the group left with one file goes";
    EXPECT_FALSE(RecordExists(small));
    EXPECT_TRUE(RecordExists(big));
}
