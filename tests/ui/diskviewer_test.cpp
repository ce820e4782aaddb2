// The Image Viewer tab in the real main window, offscreen: the directory it
// opens and remembers, the enabling rules of View, Previous and Next at the
// first and the last file and in an empty directory, the keys, a damaged
// file shown as such while paging goes on, delete and rename from its list
// touching the disk only, and a directory that vanishes while it is shown.
#include "base/diskpath.h"
#include "base/fileops.h"
#include "base/texts.h"
#include "controls/directorylist.h"
#include "controls/fileinfopanel.h"
#include "controls/filelistbox.h"
#include "db/appdatabase.h"
#include "db/database.h"
#include "db/imagefileinfo.h"
#include "db/records.h"
#include "db/settings.h"
#include "db/sqlite.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"
#include "support/waituntil.h"
#include "ui/diskviewer.h"
#include "ui/mainwindow.h"
#include "ui/viewerpicture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

#include <cstdio>

using namespace vexa;
using vexa::test::WaitUntil;

namespace {

void WriteJpeg(const QString &file, int width, int height, QColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(file, "JPEG"));
}

class DiskViewerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        photos = data.file(QStringLiteral("photos"));
        QDir().mkpath(photos);
        // Landscape, portrait, landscape: listed by name.
        WriteJpeg(photos + QStringLiteral("/a_beach.jpg"), 640, 480, Qt::blue);
        WriteJpeg(photos + QStringLiteral("/b_tower.jpg"), 300, 800, Qt::red);
        WriteJpeg(photos + QStringLiteral("/c_harbour.jpg"), 800, 450, Qt::green);
        QFile(photos + QStringLiteral("/notes.txt")).open(QIODevice::WriteOnly);
        QDir().mkpath(data.file(QStringLiteral("empty")));
    }

    void TearDown() override
    {
        window.reset();
        SetAllowUndoFlag(false);
    }

    // The window as the program builds it, on the viewer tab.
    void open(const QVariant &lastViewDirectory)
    {
        if (!lastViewDirectory.isNull())
            SaveSystemSetting(QStringLiteral("LastViewDirectory"), lastViewDirectory);
        window = std::make_unique<MainWindow>();
        viewer = InstallDiskViewer(*window);
        window->resize(1000, 720);
        window->Load();
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->SelectTab(MainWindow::TabViewer);
        settle();
    }

    bool settle()
    {
        return WaitUntil([this] { return !viewer->pictureBusy(); });
    }
    QPushButton *button(int index) const { return window->viewerButton(index); }
    bool viewEnabled() const { return button(0)->isEnabled(); }
    bool previousEnabled() const { return button(1)->isEnabled(); }
    bool nextEnabled() const { return button(2)->isEnabled(); }
    QString position() const { return viewer->positionLabel()->text(); }
    QString stored() const
    {
        return GetSystemSetting(QStringLiteral("LastViewDirectory")).toString();
    }
    void key(int code)
    {
        QWidget *target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QKeyEvent press(QEvent::KeyPress, code, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        settle();
    }

    test::TempDataDir data;
    test::ScriptedMessages messages;
    QString photos;
    std::unique_ptr<MainWindow> window;
    DiskViewer *viewer = nullptr;
};

TEST_F(DiskViewerTest, OpensTheRememberedDirectoryAndRemembersEveryChange)
{
    open(photos);
    EXPECT_EQ(viewer->files()->Path(), photos);
    EXPECT_EQ(viewer->directories()->Path(), photos);
    // Image files only, the first one selected and shown.
    ASSERT_EQ(viewer->files()->ListCount(), 3);
    EXPECT_EQ(viewer->files()->ListIndex(), 0);
    EXPECT_EQ(viewer->shownFile(), photos + QStringLiteral("/a_beach.jpg"));
    EXPECT_EQ(position(), QStringLiteral("001/003"));

    const QString empty = data.file(QStringLiteral("empty"));
    viewer->directories()->SetPath(empty);
    EXPECT_EQ(stored(), empty);
    EXPECT_EQ(viewer->files()->ListCount(), 0);
    // Choosing a place opens its root.
    for (int i = 0; i < viewer->drive()->count(); ++i) {
        if (viewer->drive()->itemData(i).toString() == QLatin1String("/")) {
            viewer->drive()->setCurrentIndex(i);
            emit viewer->drive()->activated(i);
        }
    }
    EXPECT_EQ(viewer->directories()->Path(), QStringLiteral("/"));
    EXPECT_EQ(stored(), QStringLiteral("/"));
}

TEST_F(DiskViewerTest, AStoredDirectoryThatIsGoneOpensItsNearestAncestorAndNoneOpensHome)
{
    open(photos + QStringLiteral("/gone/deeper"));
    EXPECT_EQ(viewer->directories()->Path(), photos);
    EXPECT_EQ(stored(), photos);
    window.reset();
    SaveSystemSetting(QStringLiteral("LastViewDirectory"), QVariant());
    open(QVariant());
    EXPECT_EQ(viewer->directories()->Path(), QDir::homePath());
    EXPECT_EQ(stored(), QDir::homePath());
}

TEST_F(DiskViewerTest, ButtonsFollowTheFirstAndLastFileInViewMode)
{
    open(photos);
    // Browsing: only View.
    EXPECT_TRUE(viewEnabled());
    EXPECT_FALSE(previousEnabled());
    EXPECT_FALSE(nextEnabled());

    viewer->ViewClicked();
    ASSERT_TRUE(settle());
    ASSERT_TRUE(viewer->viewMode());
    EXPECT_EQ(button(0)->text(), Text(512));
    EXPECT_FALSE(previousEnabled()) << "first file";
    EXPECT_TRUE(nextEnabled());
    EXPECT_FALSE(viewer->files()->isVisible()) << "the picture covers the tab";

    viewer->NextClicked();
    settle();
    EXPECT_EQ(position(), QStringLiteral("002/003"));
    EXPECT_TRUE(previousEnabled());
    EXPECT_TRUE(nextEnabled());
    viewer->NextClicked();
    settle();
    EXPECT_EQ(position(), QStringLiteral("003/003"));
    EXPECT_EQ(viewer->shownFile(), photos + QStringLiteral("/c_harbour.jpg"));
    EXPECT_TRUE(previousEnabled());
    EXPECT_FALSE(nextEnabled()) << "last file";
    // Next on the last file does nothing.
    viewer->NextClicked();
    settle();
    EXPECT_EQ(viewer->files()->ListIndex(), 2);
    EXPECT_FALSE(nextEnabled());
    viewer->PreviousClicked();
    settle();
    EXPECT_EQ(viewer->shownFile(), photos + QStringLiteral("/b_tower.jpg"));

    // Cancel leaves view mode: the lists come back, paging stops.
    viewer->ViewClicked();
    EXPECT_FALSE(viewer->viewMode());
    EXPECT_EQ(button(0)->text(), Text(505));
    EXPECT_FALSE(previousEnabled());
    EXPECT_FALSE(nextEnabled());
    EXPECT_TRUE(viewer->files()->isVisible());
    EXPECT_EQ(viewer->files()->ListIndex(), 1);
}

TEST_F(DiskViewerTest, AnEmptyDirectoryLeavesEverythingDisabledAndNoPosition)
{
    open(data.file(QStringLiteral("empty")));
    EXPECT_EQ(viewer->files()->ListCount(), 0);
    EXPECT_FALSE(viewEnabled());
    EXPECT_FALSE(previousEnabled());
    EXPECT_FALSE(nextEnabled());
    EXPECT_TRUE(position().isEmpty());
    EXPECT_TRUE(viewer->fileInfo()->fileNameText().isEmpty());
    viewer->ViewClicked();
    viewer->NextClicked();
    EXPECT_FALSE(viewer->viewMode());
    EXPECT_FALSE(nextEnabled());
    viewer->ViewDelete();
    viewer->ViewRename();
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(DiskViewerTest, KeysPageInViewModeAndAnotherTabLeavesIt)
{
    open(photos);
    viewer->files()->ListHwnd()->setFocus();
    key(Qt::Key_Return);
    ASSERT_TRUE(viewer->viewMode());
    key(Qt::Key_PageDown);
    EXPECT_EQ(viewer->files()->ListIndex(), 1);
    key(Qt::Key_PageDown);
    key(Qt::Key_PageUp);
    EXPECT_EQ(viewer->files()->ListIndex(), 1);
    EXPECT_EQ(viewer->shownFile(), photos + QStringLiteral("/b_tower.jpg"));
    window->SelectTab(MainWindow::TabSettings);
    EXPECT_FALSE(viewer->viewMode());
    EXPECT_EQ(button(0)->text(), Text(505));
    window->SelectTab(MainWindow::TabViewer);
    // Page keys do nothing outside view mode.
    key(Qt::Key_PageDown);
    EXPECT_EQ(viewer->files()->ListIndex(), 1);
}

TEST_F(DiskViewerTest, InformationPanelShowsTheSelectedFile)
{
    open(photos);
    viewer->files()->SetListIndex(1);
    settle();
    const FileInfoPanel *info = viewer->fileInfo();
    EXPECT_EQ(info->directoryText(), photos);
    EXPECT_EQ(info->fileNameText(), QStringLiteral("b_tower.jpg"));
    QLocale grouped;
    grouped.setNumberOptions(QLocale::DefaultNumberOptions);
    EXPECT_EQ(info->sizeText(),
        grouped.toString(QFileInfo(photos + QStringLiteral("/b_tower.jpg")).size()));
    // The file's own dimensions, not those of the picture decoded for the pane.
    EXPECT_EQ(info->dimensionsText(), QStringLiteral("300 x 800"));
    EXPECT_EQ(position(), QStringLiteral("002/003"));
    EXPECT_LE(viewer->picture()->picture().height(), viewer->picture()->height());
}

TEST_F(DiskViewerTest, ADamagedFileShowsWhyAndPagingGoesOn)
{
    // Half a JPEG between two good ones.
    QFile whole(photos + QStringLiteral("/a_beach.jpg"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    QFile damaged(photos + QStringLiteral("/a_truncated_download.jpg"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(whole.read(whole.size() / 3));
    damaged.close();
    open(photos);
    ASSERT_EQ(viewer->files()->List(1), QStringLiteral("a_truncated_download.jpg"));

    viewer->ViewClicked();
    ASSERT_TRUE(settle());
    ASSERT_TRUE(viewer->viewMode());
    viewer->NextClicked();
    ASSERT_TRUE(settle());
    EXPECT_TRUE(viewer->viewMode());
    EXPECT_EQ(viewer->shownFile(), damaged.fileName());
    EXPECT_EQ(viewer->picture()->errorText(), Text(1996));
    EXPECT_TRUE(viewer->picture()->picture().isNull()) << "no earlier picture left over it";
    EXPECT_TRUE(nextEnabled());
    EXPECT_EQ(messages.count(), 0) << "no message box stops the paging";
    viewer->NextClicked();
    ASSERT_TRUE(settle());
    EXPECT_EQ(viewer->shownFile(), photos + QStringLiteral("/b_tower.jpg"));
    EXPECT_TRUE(viewer->picture()->errorText().isEmpty());
    EXPECT_FALSE(viewer->picture()->picture().isNull());

    // View on the damaged file itself does not enter view mode.
    viewer->ViewClicked();
    viewer->files()->SetListIndex(1);
    settle();
    viewer->ViewClicked();
    settle();
    EXPECT_FALSE(viewer->viewMode());
    EXPECT_EQ(viewer->picture()->errorText(), Text(1996));
    EXPECT_EQ(button(0)->text(), Text(505));
}

// A record for a file of the viewed directory, as if it had been gathered.
std::int64_t AddRecord(const QString &directory, const QString &name)
{
    EXPECT_TRUE(AddNewCollectionToDB(QStringLiteral("Viewer")));
    const std::int32_t collection = FindCollectionId(QStringLiteral("Viewer"));
    QString path = directory;
    const std::int64_t item = AddNewItemToCollection(collection, path);
    ImageFileInfo info;
    info.Directory = directory;
    info.FileName = name;
    info.FileSize = 1;
    info.DimX = 1;
    info.DimY = 1;
    EXPECT_TRUE(StoreImageData(collection, item, info, {}, {}, QByteArray(64, '0')));
    return item;
}

QStringList StoredNames()
{
    Statement names(AppDb().db->connection().handle(),
        QStringLiteral("SELECT FileName FROM FileData ORDER BY ID"));
    QStringList result;
    while (names.step())
        result.append(names.column(0).toString());
    return result;
}

TEST_F(DiskViewerTest, DeleteFromTheListRemovesTheFileButNoRecord)
{
    AddRecord(photos, QStringLiteral("b_tower.jpg"));
    SetAllowUndoFlag(false);
    open(photos);
    // A right click on an entry selects it and opens the menu there.
    QListWidget *list = viewer->files()->ListHwnd();
    QTest::mouseClick(
        list->viewport(), Qt::RightButton, {}, list->visualItemRect(list->item(1)).center());
    settle();
    EXPECT_EQ(viewer->files()->ListIndex(), 1);
    ASSERT_TRUE(WaitUntil([this] { return viewer->popupMenu()->isVisible(); }));
    viewer->popupMenu()->hide();
    viewer->popupMenu()->findChild<QAction *>(QStringLiteral("mnuPopupViewDelete"))->trigger();
    settle();
    EXPECT_FALSE(QFile::exists(photos + QStringLiteral("/b_tower.jpg")));
    ASSERT_EQ(viewer->files()->ListCount(), 2);
    EXPECT_EQ(viewer->files()->List(1), QStringLiteral("c_harbour.jpg"));
    // The entry that took its place is selected, shown and counted.
    EXPECT_EQ(viewer->files()->ListIndex(), 1);
    EXPECT_EQ(viewer->shownFile(), photos + QStringLiteral("/c_harbour.jpg"));
    EXPECT_EQ(position(), QStringLiteral("002/002"));
    EXPECT_EQ(StoredNames(), QStringList { QStringLiteral("b_tower.jpg") });
    EXPECT_EQ(messages.count(), 0);

    // A file removed behind the viewer's back: the list stays, the user is told.
    QFile::remove(photos + QStringLiteral("/c_harbour.jpg"));
    viewer->ViewDelete();
    EXPECT_EQ(viewer->files()->ListCount(), 2);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.last().text.startsWith(Text(1950)));
}

TEST_F(DiskViewerTest, RenameFromTheListRenamesTheFileButNoRecord)
{
    AddRecord(photos, QStringLiteral("a_beach.jpg"));
    open(photos);
    messages.answerPrompt(QStringLiteral("z_beach at noon.jpg"));
    viewer->popupMenu()->findChild<QAction *>(QStringLiteral("mnuPopupViewRename"))->trigger();
    settle();
    EXPECT_FALSE(QFile::exists(photos + QStringLiteral("/a_beach.jpg")));
    EXPECT_TRUE(QFile::exists(photos + QStringLiteral("/z_beach at noon.jpg")));
    // Same place in the list, still selected and shown.
    EXPECT_EQ(viewer->files()->List(0), QStringLiteral("z_beach at noon.jpg"));
    EXPECT_EQ(viewer->files()->ListIndex(), 0);
    EXPECT_EQ(viewer->shownFile(), photos + QStringLiteral("/z_beach at noon.jpg"));
    EXPECT_EQ(viewer->fileInfo()->fileNameText(), QStringLiteral("z_beach at noon.jpg"));
    EXPECT_EQ(StoredNames(), QStringList { QStringLiteral("a_beach.jpg") });

    // Onto an existing name: nothing is replaced, the user is told why.
    messages.answerPrompt(QStringLiteral("c_harbour.jpg"));
    viewer->ViewRename();
    EXPECT_TRUE(QFile::exists(photos + QStringLiteral("/z_beach at noon.jpg")));
    EXPECT_EQ(viewer->files()->List(0), QStringLiteral("z_beach at noon.jpg"));
    ASSERT_FALSE(messages.shown().isEmpty());
    EXPECT_TRUE(messages.last().text.startsWith(Text(1951)));
    // Cancelled: nothing happens.
    const int shown = messages.count();
    viewer->ViewRename();
    EXPECT_EQ(messages.count(), shown + 1) << "only the question itself";
    EXPECT_EQ(viewer->files()->List(0), QStringLiteral("z_beach at noon.jpg"));
}

TEST_F(DiskViewerTest, ADirectoryThatVanishesWhileShownIsLeftForItsParent)
{
    const QString day = photos + QStringLiteral("/day one");
    QDir().mkpath(day);
    WriteJpeg(day + QStringLiteral("/one.jpg"), 200, 100, Qt::yellow);
    WriteJpeg(day + QStringLiteral("/two.jpg"), 100, 200, Qt::cyan);
    open(day);
    viewer->ViewClicked();
    ASSERT_TRUE(settle());
    ASSERT_TRUE(viewer->viewMode());
    test::RemoveTreeOnDisk(day);
    // Paging before anything noticed: the missing file is shown as such.
    viewer->NextClicked();
    settle();
    if (viewer->directories()->Path() == day) {
        EXPECT_EQ(viewer->picture()->errorText(), Text(1996));
        EXPECT_EQ(viewer->picture()->errorDetail(), Text(1952));
    }
    EXPECT_TRUE(WaitUntil([this, &day] { return viewer->directories()->Path() != day; }, 5000))
        << "the directory is noticed while the tab is shown";
    EXPECT_EQ(viewer->directories()->Path(), photos);
    EXPECT_EQ(viewer->files()->Path(), photos);
    EXPECT_EQ(stored(), photos);
    EXPECT_FALSE(viewer->viewMode());
    EXPECT_EQ(viewer->files()->ListCount(), 3);

    // And one that vanished while another tab was shown.
    const QString other = data.file(QStringLiteral("other/inner"));
    QDir().mkpath(other);
    viewer->directories()->SetPath(other);
    window->SelectTab(MainWindow::TabDatabase);
    test::RemoveTreeOnDisk(data.file(QStringLiteral("other")));
    window->SelectTab(MainWindow::TabViewer);
    EXPECT_EQ(viewer->directories()->Path(), data.path());
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(DiskViewerTest, ANameThatIsNotUtf8IsListedShownAndDeleted)
{
    // "été.jpg" in Latin-1: bytes no UTF-8 reader accepts.
    const QString stored = photos + QLatin1Char('/') + NameFromDisk("\xe9t\xe9.jpg");
    const QString plain = data.file(QStringLiteral("plain.jpg"));
    WriteJpeg(plain, 120, 90, Qt::magenta);
    ASSERT_EQ(::rename(NameToDisk(plain).constData(), NameToDisk(stored).constData()), 0);
    SetAllowUndoFlag(false);
    open(photos);
    ASSERT_EQ(viewer->files()->ListCount(), 4);
    const int index = viewer->files()->ListCount() - 1;  // sorted after the ASCII names
    ASSERT_EQ(photos + QLatin1Char('/') + viewer->files()->List(index), stored);
    viewer->files()->SetListIndex(index);
    settle();
    EXPECT_EQ(viewer->shownFile(), stored);
    EXPECT_FALSE(viewer->picture()->picture().isNull());
    EXPECT_EQ(viewer->fileInfo()->dimensionsText(), QStringLiteral("120 x 90"));
    viewer->ViewDelete();
    EXPECT_FALSE(StatOnDisk(stored).exists);
    EXPECT_EQ(viewer->files()->ListCount(), 3);
    EXPECT_EQ(messages.count(), 0);
}

}  // namespace
