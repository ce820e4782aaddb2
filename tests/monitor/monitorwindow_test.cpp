// The Monitor tab in the real main window offscreen: the tab's texts and
// the InternetDirectory setting; drops on imgInstant of a copy, a
// directory, a non-image and 10,000 files, question 779, the result on the
// Duplicates tab with the memory entry as tile 0, the autodelete removing
// the arriving copy; the directory monitor
// without a tray (minimised, Stop Monitor button, every command disabled)
// with files arriving one by one, in a burst, written slowly, renamed in,
// and the directory removed; and with a tray icon, its counting tip and
// its menu.
#include "../gather/gatherfixture.h"

#include "app/appobjects.h"
#include "app/modules.h"
#include "base/texts.h"
#include "db/settings.h"
#include "gather/memorysignatures.h"
#include "monitor/monitorrun_ui.h"
#include "monitor/monitortab.h"
#include "narration/duplicateset.h"
#include "review/duplicateviewer.h"
#include "review/previewtile.h"
#include "support/scriptedmessages.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStandardPaths>
#include <QSystemTrayIcon>
#include <QTest>
#include <QUrl>

using namespace vexa;
using namespace vexa::test;

namespace {

bool WaitFor(const std::function<bool()> &done, int ms = 20000)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms)
            return false;
        QTest::qWait(20);
    }
    return true;
}

class MonitorWindow : public GatherFixture {
protected:
    void SetUp() override
    {
        GatherFixture::SetUp();
        CreateApplicationObjects();
        m_messages = std::make_unique<ScriptedMessages>();
        m_owned = addDirectory(QStringLiteral("owned"));
        for (int i = 0; i < 3; ++i)
            writeImage(owned(i), 10 + i * 7, 90, 70, "JPG");
        RecordingObserver observer;
        ASSERT_EQ(gather(observer), RunOutcome::Completed);
        ASSERT_EQ(countRows(), 3);
        m_downloads = m_images.filePath(QStringLiteral("downloads"));
        QDir().mkpath(m_downloads);
    }

    void TearDown() override
    {
        MonitorModule::OverrideTrayAvailable(std::nullopt);
        m_window.reset();
        MemorySignatures().clear();
        m_messages.reset();
        ReleaseApplicationObjects();
        GatherFixture::TearDown();
    }

    void openWindow()
    {
        m_window = std::make_unique<MainWindow>();
        InstallModules(*m_window);
        m_window->Load();
        m_window->resize(900, 700);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_module = m_window->findChild<MonitorModule *>();
        m_tab = m_window->findChild<MonitorTab *>();
        ASSERT_TRUE(m_module && m_tab);
    }

    static int countRows() { return int(allRows().size()); }
    QString owned(int i) const { return m_owned + QStringLiteral("/owned%1.jpg").arg(i); }
    QString download(const QString &name) const { return m_downloads + QLatin1Char('/') + name; }

    // Drops the paths on imgInstant the way a file manager does.
    void drop(const QStringList &paths)
    {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls.append(QUrl::fromLocalFile(path));
        data.setUrls(urls);
        InstantDropTarget *target = m_tab->dropTarget();
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        m_lastDragAccepted = enter.isAccepted();
        if (!enter.isAccepted())
            return;
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &dropped);
        EXPECT_EQ(dropped.dropAction(), Qt::CopyAction) << "dropped files are never moved";
        // The check runs once the drop has returned.
        QCoreApplication::processEvents();
    }

    QList<std::pair<std::int16_t, QList<std::int32_t>>> memoryGroups() const
    {
        QList<std::pair<std::int16_t, QList<std::int32_t>>> groups;
        for (const CDuplicate &group : *Duplicates()) {
            EXPECT_EQ(group.lSource(), -1);
            groups.append({ group.MemLoadPos(), group.lFileID() });
        }
        return groups;
    }

    bool anyCommandEnabled() const
    {
        // mnuStartMonitor is reached through mnuAction only.
        for (const char *name :
            { "mnuDatabase", "mnuAction", "mnuGather", "mnuNarration", "mnuDup" }) {
            if (QAction *a = m_window->action(QLatin1String(name)); a && a->isEnabled())
                return true;
        }
        for (const char *key : { "MONITOR", "GATHER", "NARRATE", "STATS" }) {
            if (QAction *a = m_window->toolbarAction(QLatin1String(key)); a && a->isEnabled())
                return true;
        }
        return m_window->tabPanel(MainWindow::TabDatabase)->isEnabled();
    }

    bool idle() const { return !m_module->isChecking() && !m_window->isRunning(); }

    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<MainWindow> m_window;
    MonitorModule *m_module = nullptr;
    MonitorTab *m_tab = nullptr;
    QString m_owned;
    QString m_downloads;
    bool m_lastDragAccepted = false;
};

TEST_F(MonitorWindow, TabTextsAndTheWatchedDirectorySetting)
{
    openWindow();
    EXPECT_EQ(m_window->findChild<QGroupBox *>(QStringLiteral("fraInstant"))->title(), Text(613));
    EXPECT_EQ(m_window->findChild<QLabel *>(QStringLiteral("lblInstantInfo"))->text(), Text(614));
    EXPECT_EQ(m_window->findChild<QLabel *>(QStringLiteral("lblMonDir"))->text(),
        QStringLiteral("Directory currently selected for monitoring operation:"));
    EXPECT_EQ(m_tab->startButton()->text(), QStringLiteral("&Start monitoring"));
    EXPECT_EQ(m_tab->browseButton()->toolTip(), Text(1034));
    EXPECT_FALSE(m_window->findChild<QWidget *>(QStringLiteral("lstFilesMonitor"))->isVisible());
    // A Null setting starts at the download directory, not at "C:\".
    EXPECT_EQ(m_tab->monitorDirectory(),
        QStandardPaths::writableLocation(QStandardPaths::DownloadLocation));

    m_tab->directoryEdit()->setText(m_downloads + QStringLiteral("/missing"));
    EXPECT_FALSE(m_tab->startButton()->isEnabled());
    m_tab->directoryEdit()->setText(QString());
    EXPECT_FALSE(m_tab->startButton()->isEnabled());
    m_tab->directoryEdit()->setText(m_downloads);
    EXPECT_TRUE(m_tab->startButton()->isEnabled());
    EXPECT_EQ(GetSystemSetting(QStringLiteral("InternetDirectory")).toString(), m_downloads);
    m_window.reset();
    openWindow();
    EXPECT_EQ(m_tab->monitorDirectory(), m_downloads) << "the setting is read at load";
}

TEST_F(MonitorWindow, DropsShowTheirDuplicatesOnTheDuplicatesTab)
{
    openWindow();
    QFile::copy(owned(1), download(QStringLiteral("copy of owned1.jpg")));
    writeImage(download(QStringLiteral("new.png")), 99, 80, 80);
    QFile text(download(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a picture");
    text.close();

    // A file: one group, source -1 at entry 0, the completion message, the
    // Duplicates tab with the dropped file as tile 0.
    drop({ download(QStringLiteral("copy of owned1.jpg")) });
    ASSERT_EQ(m_messages->count(), 1);
    EXPECT_TRUE(m_messages->last().text.startsWith(Text(748)));
    EXPECT_EQ(
        memoryGroups(), (QList<std::pair<std::int16_t, QList<std::int32_t>>> { { 0, { 2 } } }));
    EXPECT_EQ(m_window->currentTab(), MainWindow::TabDuplicates);
    auto *viewer = m_window->findChild<DuplicateViewer *>();
    ASSERT_TRUE(WaitFor([&] {
        return viewer->viewReady() && !viewer->thumbnailsLoading() && viewer->tileCount() == 1;
    }));
    EXPECT_TRUE(viewer->tile(0)->isVisible()) << "the memory source is tile 0";
    EXPECT_EQ(viewer->tile(0)->FileName(), QStringLiteral("copy of owned1.jpg"));
    EXPECT_EQ(viewer->tile(0)->FilePath(), m_downloads);
    EXPECT_EQ(viewer->tile(1)->FileName(), QStringLiteral("owned1.jpg"));
    EXPECT_FALSE(m_window->isRunning());

    // A set is there: question 779; No leaves the set and the memory list.
    m_messages->clear();
    m_messages->answer(MsgResult::No);
    drop({ m_downloads });
    ASSERT_EQ(m_messages->count(), 1);
    EXPECT_EQ(m_messages->last().text, Text(779));
    EXPECT_EQ(m_messages->last().icon, MsgIcon::Exclamation);
    EXPECT_EQ(MemorySignatures().size(), 1);
    EXPECT_EQ(Duplicates()->Count(), 1);

    // Yes: the directory gives its image files (not the text file).
    m_messages->clear();
    m_messages->answer(MsgResult::Yes);
    drop({ m_downloads });
    EXPECT_EQ(MemorySignatures().size(), 2) << "copy of owned1.jpg and new.png";
    EXPECT_EQ(Duplicates()->Count(), 1);

    // A non-image alone: nothing gathered, no narration, the set stays.
    m_messages->clear();
    m_messages->answer(MsgResult::Yes);
    drop({ text.fileName() });
    EXPECT_EQ(m_messages->count(), 1) << "only the question; no completion message";
    EXPECT_EQ(Duplicates()->Count(), 1);
    EXPECT_EQ(MemorySignatures().size(), 2) << "the set's groups still name their entries";

    // The autodelete removes the arriving copy (source -1), never the stored
    // image it duplicates, whatever the name rule would keep.
    ASSERT_TRUE(SaveSystemSetting(QStringLiteral("AllowUndo"), false));
    m_window->SelectTab(MainWindow::TabDuplicates);
    ASSERT_TRUE(viewer->binaryCompareButton()->isEnabled());
    viewer->binaryCompareButton()->click();
    EXPECT_FALSE(QFile::exists(download(QStringLiteral("copy of owned1.jpg"))));
    EXPECT_TRUE(QFile::exists(owned(1)));
    EXPECT_TRUE(QFile::exists(download(QStringLiteral("new.png"))));

    // A drag without a local file is refused.
    QMimeData web;
    web.setUrls({ QUrl(QStringLiteral("https://example.invalid/a.jpg")) });
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &web, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_tab->dropTarget(), &enter);
    EXPECT_FALSE(enter.isAccepted());
}

TEST_F(MonitorWindow, TenThousandDroppedFilesAreRefused)
{
    openWindow();
    QStringList many;
    for (int i = 0; i < 10000; ++i)
        many.append(download(QStringLiteral("f%1.jpg").arg(i)));
    drop(many);
    ASSERT_EQ(m_messages->count(), 1);
    EXPECT_EQ(m_messages->last().text, Text(744));
    EXPECT_EQ(m_messages->last().title, Text(745));
    EXPECT_EQ(m_messages->last().icon, MsgIcon::Critical);
    EXPECT_EQ(Duplicates()->Count(), 0);
    EXPECT_FALSE(m_window->isRunning());
    EXPECT_TRUE(m_window->action(QStringLiteral("mnuAction"))->isEnabled());
}

TEST_F(MonitorWindow, MonitorWithoutTrayStaysMinimisedAndChecksArrivals)
{
    MonitorModule::OverrideTrayAvailable(false);
    QFile::copy(owned(0), download(QStringLiteral("before.jpg")));
    openWindow();
    m_tab->directoryEdit()->setText(m_downloads);
    m_window->runCommand(QStringLiteral("mnuStartMonitor"));
    ASSERT_TRUE(m_module->isMonitoring());
    EXPECT_TRUE(m_window->isMinimized());
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_TRUE(m_module->stopButton()->isVisible());
    EXPECT_TRUE(m_module->stopButton()->isEnabled());
    EXPECT_FALSE(anyCommandEnabled()) << "while the monitor runs no other run can start";
    EXPECT_EQ(m_module->trayIcon(), nullptr);

    // One by one.
    QFile::copy(owned(2), download(QStringLiteral("one.jpg")));
    ASSERT_TRUE(WaitFor([&] { return m_module->filesAdded() == 1 && idle(); }));
    writeImage(download(QStringLiteral("fresh.png")), 55, 64, 64);
    ASSERT_TRUE(WaitFor([&] { return m_module->filesAdded() == 2 && idle(); }));
    EXPECT_EQ(Duplicates()->Count(), 1);
    EXPECT_FALSE(anyCommandEnabled()) << "still disabled after a check";
    EXPECT_TRUE(m_window->isMinimized()) << "a check does not restore the window";
    EXPECT_TRUE(m_window->windowTitle().startsWith(Text(450) + QStringLiteral("2   ")))
        << m_window->windowTitle().toStdString();

    // Written slowly: checked once complete, so found.
    QFile source(owned(1));
    ASSERT_TRUE(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    QFile slow(download(QStringLiteral("slow.jpg")));
    ASSERT_TRUE(slow.open(QIODevice::WriteOnly));
    slow.write(bytes.left(bytes.size() / 3));
    slow.flush();
    QTest::qWait(1300);
    slow.write(bytes.mid(bytes.size() / 3, bytes.size() / 3));
    slow.flush();
    QTest::qWait(1300);
    slow.write(bytes.mid(2 * (bytes.size() / 3)));
    slow.close();
    ASSERT_TRUE(WaitFor([&] { return m_module->filesAdded() == 3 && idle(); }));
    EXPECT_EQ(Duplicates()->Count(), 2);

    // A burst of 200, every fiftieth a copy.
    for (int i = 0; i < 200; ++i) {
        const QString name
            = download(QStringLiteral("burst%1.jpg").arg(i, 3, 10, QLatin1Char('0')));
        QFile::copy(i % 50 == 0 ? owned(0) : download(QStringLiteral("fresh.png")), name);
    }
    ASSERT_TRUE(WaitFor([&] { return m_module->filesAdded() == 203 && idle(); }, 60000))
        << m_module->filesAdded();
    EXPECT_EQ(Duplicates()->Count(), 6);

    // Renamed in from outside.
    const QString outside = m_images.filePath(QStringLiteral("outside.jpg"));
    QFile::copy(owned(2), outside);
    ASSERT_TRUE(QFile::rename(outside, download(QStringLiteral("renamed.jpg"))));
    ASSERT_TRUE(WaitFor([&] { return m_module->filesAdded() == 204 && idle(); }));
    EXPECT_EQ(Duplicates()->Count(), 7);

    // The directory removed while watched, then made again with a copy.
    ASSERT_TRUE(QDir(m_downloads).removeRecursively());
    QTest::qWait(1500);
    ASSERT_TRUE(QDir().mkpath(m_downloads));
    QFile::copy(owned(1), download(QStringLiteral("back.jpg")));
    ASSERT_TRUE(WaitFor([&] { return m_module->filesAdded() == 205 && idle(); }));
    EXPECT_EQ(Duplicates()->Count(), 8);
    EXPECT_EQ(m_messages->count(), 0) << "the monitor runs quietly";

    m_module->stopButton()->click();
    EXPECT_FALSE(m_module->isMonitoring());
    EXPECT_FALSE(m_window->isMinimized());
    EXPECT_FALSE(m_module->stopButton()->isVisible());
    EXPECT_EQ(m_window->currentTab(), MainWindow::TabDuplicates);
    EXPECT_TRUE(m_window->action(QStringLiteral("mnuAction"))->isEnabled());
    // Every group's source is its own arriving file, kept in memory.
    QStringList sources;
    for (const CDuplicate &group : *Duplicates()) {
        const MemorySignatureEntry *entry = MemorySignatures().at(group.MemLoadPos());
        ASSERT_TRUE(entry);
        sources.append(entry->FileName);
    }
    EXPECT_EQ(sources,
        QStringList({ QStringLiteral("one.jpg"), QStringLiteral("slow.jpg"),
            QStringLiteral("burst000.jpg"), QStringLiteral("burst050.jpg"),
            QStringLiteral("burst100.jpg"), QStringLiteral("burst150.jpg"),
            QStringLiteral("renamed.jpg"), QStringLiteral("back.jpg") }));
}

TEST_F(MonitorWindow, TrayIconCountsAndItsMenuStopsTheMonitor)
{
    MonitorModule::OverrideTrayAvailable(true);
    openWindow();
    m_tab->directoryEdit()->setText(m_downloads);
    // A set is there: No leaves the monitor idle and the set untouched.
    Duplicates()->Add({ 1 }, 2, 0, QString());
    m_messages->answer(MsgResult::No);
    m_tab->startButton()->click();
    EXPECT_FALSE(m_module->isMonitoring());
    EXPECT_EQ(Duplicates()->Count(), 1);

    m_messages->answer(MsgResult::Yes);
    m_tab->startButton()->click();
    ASSERT_TRUE(m_module->isMonitoring());
    EXPECT_EQ(Duplicates()->Count(), 0);
    EXPECT_FALSE(m_window->isVisible()) << "the program lives in the tray";
    ASSERT_TRUE(m_module->trayIcon());
    EXPECT_EQ(m_module->trayIcon()->toolTip(),
        QStringLiteral("Files added to directory: 0    Number of duplicates found: 0"));
    ASSERT_TRUE(m_module->trayMenu());
    EXPECT_EQ(m_module->trayMenu()->title(), Text(260));
    ASSERT_EQ(m_module->trayMenu()->actions().size(), 1);
    EXPECT_EQ(m_module->stopAction()->text(), Text(261));

    QFile::copy(owned(0), download(QStringLiteral("saved from a browser.jpg")));
    ASSERT_TRUE(WaitFor([&] { return m_module->filesAdded() == 1 && idle(); }));
    EXPECT_EQ(m_module->trayIcon()->toolTip(),
        QStringLiteral("Files added to directory: 1   Number of duplicates found: 1"));
    EXPECT_FALSE(m_window->isVisible()) << "a check does not bring the window back";

    // A long translation and large counts are cut to 63 characters.
    SetLangOffset(2000);
    EXPECT_LE(m_module->CountingTip(4).size(), 63);
    SetLangOffset(0);

    m_module->stopAction()->trigger();
    EXPECT_FALSE(m_module->isMonitoring());
    EXPECT_EQ(m_module->trayIcon(), nullptr) << "the icon goes with the monitor";
    EXPECT_TRUE(m_window->isVisible());
    EXPECT_EQ(m_window->currentTab(), MainWindow::TabDuplicates);

    // Closing the window while it watches takes the icon off the tray.
    m_messages->answer(MsgResult::Yes);
    m_window->runCommand(QStringLiteral("mnuStartMonitor"));
    ASSERT_TRUE(m_module->isMonitoring());
    ASSERT_TRUE(m_module->trayIcon());
    m_window->close();
    EXPECT_FALSE(m_module->isMonitoring());
    EXPECT_EQ(m_module->trayIcon(), nullptr);
}

}  // namespace
