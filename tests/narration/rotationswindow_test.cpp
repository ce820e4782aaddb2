// "Also find rotated and mirrored copies" in the real main window offscreen,
// on a real database of gathered pictures: the perceptual narration finds a
// photograph's quarter-turned copy while the box is ticked and not once it
// is unticked, and the choice survives a restart while the method does not;
// the instant check of a mirrored and a grey copy follows the box too.
#include "../gather/gatherfixture.h"

#include "app/appobjects.h"
#include "app/modules.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/settings.h"
#include "db/sqlite.h"
#include "gather/memorysignatures.h"
#include "monitor/monitorrun_ui.h"
#include "narration/duplicateset.h"
#include "narration/narrationsettings.h"
#include "narration/narrationsettingstab.h"
#include "support/photograph.h"
#include "support/scriptedmessages.h"
#include "ui/mainwindow.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QRadioButton>
#include <QTest>
#include <QTransform>
#include <QTreeWidget>

#include <algorithm>

using namespace vexa;
using namespace vexa::test;

namespace {

class RotationsWindow : public GatherFixture {
protected:
    void SetUp() override
    {
        GatherFixture::SetUp();
        CreateApplicationObjects();
        m_messages = std::make_unique<ScriptedMessages>();
        const QString dir = addDirectory(QStringLiteral("photos"));
        const QImage photograph = MakePhotograph(17);
        ASSERT_TRUE(photograph.save(dir + QStringLiteral("/harbour.jpg"), "JPG", 90));
        ASSERT_TRUE(photograph.transformed(QTransform().rotate(90))
                        .save(dir + QStringLiteral("/harbour turned.jpg"), "JPG", 90));
        ASSERT_TRUE(MakePhotograph(4242).save(dir + QStringLiteral("/market.jpg"), "JPG", 90));
        RecordingObserver observer;
        ASSERT_EQ(gather(observer), RunOutcome::Completed);
        ASSERT_EQ(allRows().size(), 3);
        // The collection opened last, as the window keeps it.
        ASSERT_TRUE(SaveSystemSetting(QStringLiteral("LastOpenCollection"), m_collectionId));
    }

    void TearDown() override
    {
        m_window.reset();
        MemorySignatures().clear();
        m_messages.reset();
        ReleaseApplicationObjects();
        GatherFixture::TearDown();
    }

    // The window as the program builds it, every directory ticked.
    void openWindow()
    {
        m_window = std::make_unique<MainWindow>();
        InstallModules(*m_window);
        m_window->Load();
        m_window->resize(900, 700);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        auto *directories = m_window->findChild<QTreeWidget *>(QStringLiteral("lstvDirectories"));
        ASSERT_TRUE(directories);
        ASSERT_EQ(directories->topLevelItemCount(), 1);
        directories->topLevelItem(0)->setCheckState(0, Qt::Checked);
        m_settings = m_window->findChild<NarrationSettingsTab *>();
        ASSERT_TRUE(m_settings);
    }

    void restart()
    {
        m_window->close();
        m_window.reset();
        ReleaseApplicationObjects();
        CloseApplicationDatabase();
        ASSERT_TRUE(OpenApplicationDatabase());
        CreateApplicationObjects();
        openWindow();
    }

    // The groups of a narration from the menu, as file names.
    QList<QStringList> narrate()
    {
        m_window->SelectTab(MainWindow::TabSettings);
        QAction *narration = m_window->action(QStringLiteral("mnuNarration"));
        EXPECT_TRUE(narration && narration->isEnabled());
        if (!narration)
            return {};
        narration->trigger();
        return groups();
    }

    // The duplicate set as file names: the source first (a memory entry's
    // own name), then its duplicates sorted.
    static QList<QStringList> groups()
    {
        QList<QStringList> groups;
        Statement name(AppDb().db->connection().handle(),
            QStringLiteral("SELECT FileName FROM FileData WHERE ID = ?1"));
        const auto nameOf = [&name](std::int32_t id) {
            name.reset();
            name.bind(1, id);
            return name.step() ? name.column(0).toString() : QString();
        };
        for (const CDuplicate &group : *Duplicates()) {
            QStringList names;
            for (const std::int32_t id : group.fileIds())
                names.append(nameOf(id));
            names.append(group.lSource() == -1 ? MemorySignatures().at(group.MemLoadPos())->FileName
                                               : nameOf(group.lSource()));
            names.sort();
            groups.append(names);
        }
        return groups;
    }

    std::unique_ptr<ScriptedMessages> m_messages;
    std::unique_ptr<MainWindow> m_window;
    NarrationSettingsTab *m_settings = nullptr;
};

TEST_F(RotationsWindow, TurnedCopyFoundOnlyWhileTheBoxIsTickedAndTheChoiceIsKept)
{
    openWindow();
    QCheckBox *box = m_settings->chkRotations();
    EXPECT_TRUE(box->isChecked()) << "ticked on a new database";
    EXPECT_FALSE(box->isEnabled()) << "Bitmap pattern is chosen at start";
    m_settings->optMethod(int(NarrationMethod::Perceptual))->click();
    ASSERT_TRUE(box->isEnabled());

    const QList<QStringList> turned { { QStringLiteral("harbour turned.jpg"),
        QStringLiteral("harbour.jpg") } };  // sorted
    EXPECT_EQ(narrate(), turned);

    m_window->SelectTab(MainWindow::TabSettings);
    ASSERT_TRUE(box->isVisible());
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    ASSERT_FALSE(box->isChecked());
    EXPECT_EQ(narrate(), QList<QStringList>()) << "upright only";
    // The other methods never turn a picture, whatever the box says.
    m_settings->optMethod(int(NarrationMethod::BitmapPattern))->click();
    EXPECT_FALSE(box->isEnabled());
    EXPECT_FALSE(box->isChecked());

    restart();
    box = m_settings->chkRotations();
    EXPECT_FALSE(box->isChecked()) << "the choice is kept";
    EXPECT_EQ(m_settings->comparisonMethod(), int(NarrationMethod::BitmapPattern))
        << "the method is not";
    EXPECT_FALSE(ReadFindRotatedCopies());
    m_settings->optMethod(int(NarrationMethod::Perceptual))->click();
    EXPECT_EQ(narrate(), QList<QStringList>());

    m_window->SelectTab(MainWindow::TabSettings);
    box->click();
    EXPECT_TRUE(ReadFindRotatedCopies());
    EXPECT_EQ(narrate(), turned);
}

TEST_F(RotationsWindow, InstantCheckOfMirroredAndGreyCopiesFollowsTheBox)
{
    const QString incoming = m_images.filePath(QStringLiteral("incoming"));
    ASSERT_TRUE(QDir().mkpath(incoming));
    const QImage photograph = MakePhotograph(17);
    ASSERT_TRUE(photograph.mirrored(true, false)
                    .save(incoming + QStringLiteral("/mirrored.jpg"), "JPG", 90));
    ASSERT_TRUE(photograph.convertToFormat(QImage::Format_Grayscale8)
                    .save(incoming + QStringLiteral("/grey.jpg"), "JPG", 90));
    openWindow();
    MonitorModule *monitor = m_window->findChild<MonitorModule *>();
    ASSERT_TRUE(monitor);
    m_settings->optMethod(int(NarrationMethod::Perceptual))->click();

    const QString harbour = QStringLiteral("harbour.jpg");
    const QString turned = QStringLiteral("harbour turned.jpg");
    struct Row {
        bool ticked;
        QList<QStringList> groups;  // each sorted
    };
    const Row rows[] = {
        { true,
            { { QStringLiteral("grey.jpg"), turned, harbour },
                { turned, harbour, QStringLiteral("mirrored.jpg") } } },
        { false, { { QStringLiteral("grey.jpg"), harbour } } },
    };
    for (const Row &row : rows) {
        if (m_settings->findRotatedCopies() != row.ticked)
            m_settings->chkRotations()->click();
        Duplicates()->Clear();
        MemorySignatures().clear();
        monitor->InstantCheck({ incoming });
        QList<QStringList> found = groups();
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, row.groups) << (row.ticked ? "ticked" : "unticked");
    }
}

}  // namespace
