// "mnuGather" on the real main window offscreen: the summary message, the
// log offer, the error count label and Cancel.
#include "gatherfixture.h"

#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/records.h"
#include "gather/gatherpanel.h"
#include "gather/gatherrun_ui.h"
#include "support/scriptedmessages.h"
#include "ui/mainwindow.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace vexa::test {
namespace {

class GatherWindow : public GatherFixture {
protected:
    void SetUp() override
    {
        GatherFixture::SetUp();
        m_window = std::make_unique<MainWindow>();
        GatherHost host;
        host.collectionId = [this] { return m_collectionId; };
        host.directories = [this] { return m_directories; };
        host.countSelection = [this] {
            ++m_recounts;
            m_window->SetTickedDirectoryCount(1);
        };
        host.fillDirectoryList = [this](bool) { ++m_refills; };
        InstallGathering(*m_window, host);
        m_window->resize(900, 700);
        m_window->Load();
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
        m_window->SetTickedDirectoryCount(1);
    }
    void TearDown() override
    {
        m_window.reset();
        GatherFixture::TearDown();
    }

    std::unique_ptr<MainWindow> m_window;
    int m_recounts = 0;
    int m_refills = 0;
};

TEST_F(GatherWindow, RunWithErrorsOffersTheLogAndShowsTheErrorCount)
{
    const QString a = addDirectory(QStringLiteral("a"));
    writeImage(a + QStringLiteral("/ok.png"), 1);
    QFile bad(a + QStringLiteral("/bad.jpg"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a picture");
    bad.close();

    ScriptedMessages messages;
    messages.answer(MsgResult::No);
    m_window->runCommand(QStringLiteral("mnuGather"));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text,
        Text(738) + QStringLiteral("\r\r") + Text(739)
            + messages.last().text.section(Text(739), 1).section(QLatin1Char('\r'), 0, 0)
            + QStringLiteral("\r\r") + Text(740));
    EXPECT_EQ(messages.last().title, Text(741));
    EXPECT_EQ(messages.last().buttons, MsgButtons::YesNo);
    EXPECT_EQ(messages.last().icon, MsgIcon::Information);
    EXPECT_EQ(m_window->gatherLabel("lblGatherError")->text(), QStringLiteral("1"));
    EXPECT_EQ(storedNames(), QStringList { QStringLiteral("ok.png") });
    EXPECT_FALSE(m_window->isRunning());
    EXPECT_EQ(m_refills, 1);
    EXPECT_GE(m_recounts, 1);

    // Without errors: OK only, no log offer.
    ASSERT_TRUE(QFile::remove(a + QStringLiteral("/bad.jpg")));
    messages.clear();
    m_window->runCommand(QStringLiteral("mnuGather"));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().buttons, MsgButtons::Ok);
    EXPECT_FALSE(messages.last().text.contains(Text(740)));
}

TEST_F(GatherWindow, MissingTickedDirectoryIsNamedInTheSummary)
{
    const QString a = addDirectory(QStringLiteral("a"));
    const QString gone = addDirectory(QStringLiteral("gone"));
    writeImage(a + QStringLiteral("/ok.png"), 1);
    ASSERT_TRUE(QDir(gone).removeRecursively());

    ScriptedMessages messages;
    m_window->runCommand(QStringLiteral("mnuGather"));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.last().text.endsWith(QStringLiteral("\r\r1") + Text(1960) + gone))
        << messages.last().text.toStdString();
    EXPECT_EQ(messages.last().buttons, MsgButtons::Ok);
    EXPECT_EQ(storedNames(), QStringList { QStringLiteral("ok.png") });
}

TEST_F(GatherWindow, CancelStopsBetweenFilesKeepsWhatWasStoredAndStillSummarises)
{
    const QString a = addDirectory(QStringLiteral("a"));
    for (int i = 0; i < 12; ++i)
        writeImage(a + QStringLiteral("/c%1.png").arg(i, 2, 10, QLatin1Char('0')), i);
    struct Row {
        const char *name;
        bool inTheDirectory;  // else at the first turn of the event loop, while counting
    };
    for (const Row row : { Row { "in the directory", true }, Row { "while counting", false } }) {
        OpenDb().Execute(QStringLiteral("DELETE * FROM FileData"));
        GatherPanel::In(*m_window).Clear();
        ScriptedMessages messages;
        QTimer clicker;
        QObject::connect(&clicker, &QTimer::timeout, [&] {
            // The directory's counters show once the run is in it.
            if (!row.inTheDirectory
                || !m_window->gatherLabel("lblGatherProces")->text().isEmpty()) {
                m_window->cancelButton(0)->click();
                clicker.stop();
            }
        });
        clicker.start(0);
        m_window->runCommand(QStringLiteral("mnuGather"));
        EXPECT_EQ(messages.count(), 1)
            << row.name << ": a cancelled run still ends with its summary";
        const QStringList stored = storedNames();
        if (row.inTheDirectory)
            EXPECT_EQ(stored.size(), 1) << row.name << ": the file in hand is finished";
        else
            EXPECT_TRUE(stored.isEmpty()) << row.name;
        EXPECT_FALSE(m_window->isRunning()) << row.name;
        EXPECT_FALSE(m_window->progressBar()->isVisible()) << row.name;
    }

    ScriptedMessages messages;
    m_window->runCommand(QStringLiteral("mnuGather"));
    EXPECT_EQ(storedNames().size(), 12);
}

}  // namespace
}  // namespace vexa::test
