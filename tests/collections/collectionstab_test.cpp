// The image-database tab inside the real main window, offscreen: entry mode,
// refused names, tree adds, drops, the pop-up check entries, sorting and
// deleting. Only message boxes and the folder browser are answered.
#include "app/appobjects.h"
#include "base/diskpath.h"
#include "base/texts.h"
#include "collections/collectionstab.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "db/settings.h"
#include "db/statistics.h"
#include "support/qtprinters.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

using namespace vexa;
using vexa::test::ScriptedMessages;
using vexa::test::TempDataDir;

namespace {

class CollectionsTabTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        CreateApplicationObjects();
        m_window = std::make_unique<MainWindow>();
        m_tab = InstallCollections(*m_window);
        m_window->resize(900, 700);
        m_window->Load();
        m_tab->setFolderBrowser([this](QWidget *, const QString &prompt, QString &path) {
            m_prompts.append(prompt);
            path = m_folder;
            return !path.isEmpty();
        });
        m_images = m_data.file("images");
        QDir().mkpath(m_images);
    }
    void TearDown() override
    {
        m_window.reset();
        ReleaseApplicationObjects();
    }

    // A directory of the test tree, with `images` small real PNG files.
    QString directory(const QString &relative, int images)
    {
        const QString path = m_images + "/" + relative;
        EXPECT_TRUE(QDir().mkpath(path));
        QImage image(8, 8, QImage::Format_RGB32);
        image.fill(Qt::darkCyan);
        for (int i = 0; i < images; ++i)
            EXPECT_TRUE(image.save(QStringLiteral("%1/img%2.png").arg(path).arg(i)));
        return path;
    }

    void addCollection(const QString &name)
    {
        m_tab->cmdCollection(0)->click();
        QTest::keyClicks(m_tab->txtCollection(), name);
        QTest::keyClick(m_tab->txtCollection(), Qt::Key_Return);
    }

    QStringList listedPaths() const
    {
        QStringList paths;
        for (int i = 0; i < m_tab->lstvDirectories()->topLevelItemCount(); ++i)
            paths.append(m_tab->lstvDirectories()->topLevelItem(i)->text(0));
        return paths;
    }
    QStringList column(int index) const
    {
        QStringList texts;
        for (int i = 0; i < m_tab->lstvDirectories()->topLevelItemCount(); ++i)
            texts.append(m_tab->lstvDirectories()->topLevelItem(i)->text(index));
        return texts;
    }
    QString results(int added, int present, int empty) const
    {
        return QString::number(added) + Text(726) + "\r" + QString::number(present) + Text(727)
            + "\r" + QString::number(empty) + Text(728);
    }

    TempDataDir m_data;
    ScriptedMessages m_messages;
    std::unique_ptr<MainWindow> m_window;
    CollectionsTab *m_tab = nullptr;
    QString m_images;
    QString m_folder;
    QStringList m_prompts;
};

}  // namespace

TEST_F(CollectionsTabTest, EntryModeAddsAndRefusesDuplicateNames)
{
    EXPECT_EQ(m_tab->cboCollection()->count(), 0);
    EXPECT_FALSE(m_tab->cmdCollection(1)->isEnabled());
    m_tab->cmdCollection(0)->click();
    EXPECT_TRUE(m_tab->entryMode());
    EXPECT_TRUE(m_window->isCollectionEditMode());
    EXPECT_EQ(m_tab->cmdCollection(0)->text(), Text(730));
    EXPECT_EQ(m_tab->cmdCollection(1)->text(), Text(731));
    EXPECT_TRUE(m_tab->cmdCollection(1)->isEnabled()) << "delete acts as cancel";
    EXPECT_TRUE(m_tab->cboCollection()->isHidden());
    QTest::keyClicks(m_tab->txtCollection(), "Holiday 'Zee'");
    QTest::keyClick(m_tab->txtCollection(), Qt::Key_Return);
    EXPECT_FALSE(m_tab->entryMode());
    EXPECT_FALSE(m_window->isCollectionEditMode());
    EXPECT_EQ(m_tab->cmdCollection(0)->text(), Text(500));
    EXPECT_EQ(m_tab->cmdCollection(1)->text(), Text(501));
    EXPECT_EQ(m_tab->cboCollection()->currentText(), "Holiday 'Zee'");
    EXPECT_EQ(m_messages.count(), 0);

    addCollection("Second");
    addCollection("HOLIDAY 'zee'");
    ASSERT_EQ(m_messages.count(), 1);
    EXPECT_EQ(m_messages.last().text, Text(706));
    EXPECT_EQ(m_messages.last().title, Text(707));
    EXPECT_EQ(m_messages.last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(m_tab->cboCollection()->count(), 2);
    EXPECT_EQ(m_tab->cboCollection()->currentText(), "Holiday 'Zee'") << "the existing one again";

    // Cancel: back to the last open collection, nothing added.
    m_tab->cmdCollection(0)->click();
    QTest::keyClicks(m_tab->txtCollection(), "Never");
    m_tab->cmdCollection(1)->click();
    EXPECT_FALSE(m_tab->entryMode());
    EXPECT_EQ(m_tab->cboCollection()->count(), 2);
}

TEST_F(CollectionsTabTest, EmptyOrBlankNameIsRefusedAndTheEntryStaysOpen)
{
    addCollection("Kept");
    for (const char *name : { "", "   ", "\t " }) {
        m_messages.clear();
        m_tab->cmdCollection(0)->click();
        QTest::keyClicks(m_tab->txtCollection(), QString::fromUtf8(name));
        // Enter on the entry box, and the Update Database button.
        QTest::keyClick(m_tab->txtCollection(), Qt::Key_Return);
        m_tab->cmdCollection(0)->click();
        ASSERT_EQ(m_messages.count(), 2) << "name '" << name << "'";
        EXPECT_EQ(m_messages.last().text, Text(1964));
        EXPECT_EQ(m_messages.last().title, Text(707));
        EXPECT_TRUE(m_tab->entryMode()) << "room to type a name";
        EXPECT_TRUE(m_window->isCollectionEditMode());
        m_tab->cmdCollection(1)->click();
        EXPECT_FALSE(m_tab->entryMode());
    }
    EXPECT_EQ(CountCollections(), 1) << "nothing stored";
    EXPECT_EQ(m_tab->cboCollection()->count(), 1);
    EXPECT_EQ(m_tab->cboCollection()->itemText(0), "Kept");
    // A name with blanks around it is a name.
    addCollection("  Padded ");
    EXPECT_EQ(m_tab->cboCollection()->count(), 2);
}

TEST_F(CollectionsTabTest, DeletingTheLastCollectionLeavesNothingSelected)
{
    addCollection("Only");
    const QString dir = directory("one", 1);
    m_folder = dir;
    m_tab->cmdDirectory(0)->click();
    ASSERT_EQ(listedPaths(), QStringList { dir });
    m_tab->cmdCollection(1)->click();
    EXPECT_EQ(m_tab->cboCollection()->count(), 0);
    EXPECT_EQ(m_tab->cboCollection()->currentIndex(), -1);
    EXPECT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 0);
    EXPECT_FALSE(m_tab->cmdDirectory(0)->isEnabled());
    EXPECT_FALSE(m_tab->cmdDirectory(1)->isEnabled());
    EXPECT_FALSE(m_tab->cmdDirectory(2)->isEnabled());
    EXPECT_FALSE(m_tab->cmdCollection(1)->isEnabled());
    EXPECT_EQ(AppDb().collectionItems->recordCount(), 1) << "the directory row stays";
}

TEST_F(CollectionsTabTest, TreeWithImageLessRootAddsOnlyItsSubdirectories)
{
    addCollection("Tree");
    const QString root = directory("root", 0);
    const QString a = directory("root/a", 2);
    const QString b = directory("root/b", 1);
    directory("root/b/empty", 0);
    directory("root/.thumbs", 3);  // hidden: never walked
    m_folder = root + "/";
    m_tab->cmdDirectory(1)->click();
    EXPECT_EQ(m_prompts.value(0), Text(710));
    EXPECT_EQ(listedPaths(), (QStringList { a, b }));
    EXPECT_EQ(column(1), (QStringList { "0", "0" }));
    ASSERT_EQ(m_messages.count(), 1);
    EXPECT_EQ(m_messages.last().text, results(2, 0, 2));
    EXPECT_EQ(m_messages.last().title, Text(729));
    EXPECT_EQ(m_messages.last().icon, MsgIcon::Information);

    m_tab->cmdDirectory(1)->click();
    EXPECT_EQ(m_messages.last().text, results(0, 2, 2));
    EXPECT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 2);
}

// Which directories the walk cannot read is the walk's rule (DirectoryTree
// tests); here the tab's result message counts them: a root that is gone.
TEST_F(CollectionsTabTest, UnreadableDirectoriesCountedInTheResults)
{
    addCollection("Closed");
    const QString root = directory("top", 1);
    m_tab->AddDirectoryTrees({ root, root + "/gone" });
    EXPECT_EQ(listedPaths(), QStringList { root });
    EXPECT_EQ(m_messages.last().text,
        results(1, 0, 0) + "\r1 directories have been skipped because they could not be read.");
}

TEST_F(CollectionsTabTest, DropOfFilesOnlyAndOfDirectoriesAsCopy)
{
    addCollection("Drops");
    const QString dir = directory("dropped", 1);
    const QString file = dir + "/img0.png";
    const QString locked = directory("locked", 1);
    QFile::setPermissions(locked, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    auto *view = m_tab->lstvDirectories();
    auto drop = [view](const QStringList &paths, Qt::DropAction *action) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &enter);
        if (!enter.isAccepted())
            return false;
        QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(view->viewport(), &dropped);
        *action = dropped.dropAction();
        return dropped.isAccepted();
    };

    Qt::DropAction action = Qt::IgnoreAction;
    QMimeData text;
    text.setText("no files");
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    EXPECT_FALSE(enter.isAccepted());

    m_messages.answer(MsgResult::No);
    ASSERT_TRUE(drop({ file, locked }, &action));
    EXPECT_EQ(action, Qt::CopyAction);
    ASSERT_EQ(m_messages.count(), 2);
    EXPECT_EQ(m_messages.shown()[0].text, Text(715));
    EXPECT_EQ(m_messages.shown()[0].buttons, MsgButtons::YesNoCancel);
    EXPECT_EQ(m_messages.last().text, Text(717));
    EXPECT_EQ(m_messages.last().title, Text(718));
    EXPECT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 0);

    m_messages.clear();
    m_messages.answer(MsgResult::Cancel);
    ASSERT_TRUE(drop({ dir }, &action));
    EXPECT_EQ(m_messages.count(), 1);
    EXPECT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 0);

    m_messages.answer(MsgResult::No);
    ASSERT_TRUE(drop({ dir }, &action));
    EXPECT_EQ(action, Qt::CopyAction);
    EXPECT_EQ(listedPaths(), QStringList { dir });
    EXPECT_TRUE(QFileInfo::exists(file)) << "a drop only reads";
    QFile::setPermissions(
        locked, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(CollectionsTabTest, DroppedDirectoryNamedInBytesThatAreNotUtf8IsAddedShownAndGathered)
{
    addCollection("Old");
    // A latin-1 directory "été" with a picture of a latin-1 name.
    const QByteArray dir = QFile::encodeName(m_images) + "/\xe9t\xe9";
    ASSERT_EQ(mkdir(dir.constData(), 0755), 0);
    QImage image(8, 8, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QBuffer png;
    ASSERT_TRUE(png.open(QIODevice::WriteOnly));
    ASSERT_TRUE(image.save(&png, "PNG"));
    const int fd = open((dir + "/\xff.png").constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, png.data().constData(), size_t(png.data().size())), png.data().size());
    close(fd);

    // The drop carries the bytes percent-encoded, as a file manager sends them.
    QMimeData data;
    data.setUrls({ QUrl::fromEncoded("file://" + dir.toPercentEncoding("/")) });
    auto *view = m_tab->lstvDirectories();
    const QPoint at(20, 20);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &enter);
    ASSERT_TRUE(enter.isAccepted());
    m_messages.answer(MsgResult::No);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QApplication::sendEvent(view->viewport(), &dropped);
    EXPECT_EQ(m_messages.last().text, results(1, 0, 0)) << "the directory holds an image";
    ASSERT_EQ(view->topLevelItemCount(), 1);
    QTreeWidgetItem *item = view->topLevelItem(0);
    EXPECT_EQ(item->text(0), m_images + QStringLiteral("/\uFFFDt\uFFFD"));
    EXPECT_EQ(NameToDisk(ItemPath(item)), dir);

    item->setCheckState(0, Qt::Checked);
    m_messages.clear();
    m_window->runCommand(QStringLiteral("mnuGather"));
    EXPECT_EQ(m_messages.count(), 1);
    EXPECT_FALSE(m_messages.last().text.contains(Text(1960))) << "nothing passed over";
    const QVariant name
        = OpenDb().connection().scalar(QStringLiteral("SELECT FileName FROM FileData"));
    EXPECT_EQ(NameToDisk(name.toString()), QByteArray("\xff.png"));
}

TEST_F(CollectionsTabTest, PopupChecksDeleteAndCounts)
{
    addCollection("Checks");
    const QString root = directory("c", 0);
    directory("c/x", 1);
    directory("c/y", 1);
    directory("c/z", 1);
    m_folder = root;
    m_tab->cmdDirectory(1)->click();
    ASSERT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 3);
    EXPECT_FALSE(m_tab->cmdDirectory(2)->isEnabled()) << "nothing checked";

    m_tab->allItemsMenu()->findChild<QAction *>("mnuPUAll0")->trigger();
    EXPECT_EQ(m_tab->checkedCount(), 3);
    EXPECT_EQ(m_window->tickedDirectoryCount(), 3);
    EXPECT_TRUE(m_tab->cmdDirectory(2)->isEnabled());
    m_tab->allItemsMenu()->findChild<QAction *>("mnuPUAll1")->trigger();
    EXPECT_EQ(m_tab->checkedCount(), 0);

    m_tab->lstvDirectories()->topLevelItem(1)->setSelected(true);
    m_tab->selectedItemsMenu()->findChild<QAction *>("mnuPUSelect0")->trigger();
    EXPECT_EQ(m_tab->checkedCount(), 1);
    m_tab->lstvDirectories()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(m_tab->checkedCount(), 2) << "a ticked box recounts";

    m_tab->cmdDirectory(2)->click();
    EXPECT_EQ(listedPaths(), QStringList { root + "/z" });
    EXPECT_EQ(m_window->tickedDirectoryCount(), 0);

    // A vanished ticked directory is removed by the integrity check.
    m_tab->lstvDirectories()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    QDir(root + "/z").removeRecursively();
    EXPECT_EQ(m_tab->CountTotalImages(), 0);
    m_tab->VerifyPathIntegrity();
    EXPECT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 0);
    EXPECT_EQ(AppDb().collectionItems->recordCount(), 0);
}

TEST_F(CollectionsTabTest, HeaderClicksToggleAndImagesSortByNumber)
{
    addCollection("Sort");
    const QString root = directory("s", 0);
    directory("s/a", 1);
    directory("s/b", 1);
    directory("s/c", 1);
    m_folder = root;
    m_tab->cmdDirectory(1)->click();
    const std::int32_t id = m_tab->collectionId();
    // Image counts 9, 10 and 2 for a, b, c.
    const int counts[3] = { 9, 10, 2 };
    for (int d = 0; d < 3; ++d) {
        const std::int64_t item = ItemIdFromKey(m_tab->directoryItems()[d].key);
        for (int i = 0; i < counts[d]; ++i)
            OpenDb().Execute(QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName) "
                                            "VALUES (%1, %2, 'f%3.png')")
                                 .arg(id)
                                 .arg(item)
                                 .arg(i));
    }
    m_tab->FillDirectoryList(true);
    EXPECT_EQ(column(1), (QStringList { "9", "10", "2" }));
    const QStringList rows[3] = { { "2", "9", "10" }, { "10", "9", "2" }, { "2", "9", "10" } };
    for (int click = 0; click < 3; ++click) {
        m_tab->headerClicked(1);
        EXPECT_EQ(column(1), rows[click]) << "click " << click + 1;
    }
    m_tab->headerClicked(0);
    EXPECT_EQ(column(0), (QStringList { root + "/a", root + "/b", root + "/c" }));
}

TEST_F(CollectionsTabTest, EmptyCollectionKeepsLastOpenCollection)
{
    addCollection("Full");
    m_folder = directory("full", 1);
    m_tab->cmdDirectory(0)->click();
    const int full = m_tab->collectionId();
    addCollection("Empty");
    m_tab->FillCollectionCombo("full");  // letter case ignored
    EXPECT_EQ(m_tab->collectionId(), full);
    EXPECT_EQ(GetSystemSetting("LastOpenCollection").toInt(), full);
    m_tab->FillCollectionCombo("Empty");
    EXPECT_EQ(m_tab->cboCollection()->currentText(), "Empty");
    EXPECT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 0);
    EXPECT_EQ(GetSystemSetting("LastOpenCollection").toInt(), full);

    // A restart of the window reopens the last collection with its list.
    m_window.reset();
    m_window = std::make_unique<MainWindow>();
    m_tab = InstallCollections(*m_window);
    m_window->Load();
    EXPECT_EQ(m_tab->cboCollection()->currentText(), "Full");
    EXPECT_EQ(listedPaths(), QStringList { m_folder });
}

TEST_F(CollectionsTabTest, GatherFromTheWindowCountsTheTickedDirectory)
{
    addCollection("Gather");
    m_folder = directory("gather", 3);
    m_tab->cmdDirectory(0)->click();
    ASSERT_EQ(m_tab->lstvDirectories()->topLevelItemCount(), 1);
    m_tab->lstvDirectories()->topLevelItem(0)->setCheckState(0, Qt::Checked);
    EXPECT_EQ(m_window->tickedDirectoryCount(), 1);
    ASSERT_TRUE(m_window->action("mnuGather")->isEnabled());
    m_messages.clear();
    m_window->runCommand("mnuGather");
    QTRY_VERIFY_WITH_TIMEOUT(!m_window->isRunning(), 30000);
    EXPECT_EQ(AppDb().fileData->recordCount(), 3);
    m_tab->FillDirectoryList(true);
    EXPECT_EQ(column(1), QStringList { "3" });
    EXPECT_EQ(m_tab->lstvDirectories()->topLevelItem(0)->checkState(0), Qt::Checked);
    EXPECT_GE(m_messages.count(), 1) << "the summary";
}
