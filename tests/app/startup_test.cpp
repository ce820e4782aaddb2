// The start-up sequence against real database files in a temporary program
// directory, with a plain window standing in for the main window.
#include "app/appobjects.h"
#include "app/resources.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "base/environment.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/settings.h"
#include "db/sqlite.h"
#include "signature/imageloader.h"
#include "support/qtprinters.h"
#include "support/scriptedmessages.h"
#include "support/tempdatadir.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMainWindow>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTemporaryDir>
#include <QTranslator>

#include <gtest/gtest.h>

#include <random>

#include <unistd.h>

using namespace vexa;

namespace {

struct StartupFixture : ::testing::Test {
    QTemporaryDir dir;
    test::ScriptedMessages messages;
    int loads = 0;

    StartupHooks hooks()
    {
        StartupHooks h;
        h.createMainWindow = [] { return std::make_unique<QMainWindow>(); };
        h.loadMainWindow = [this](QWidget *) { ++loads; };
        return h;
    }

    QString file(const char *name) const { return dir.filePath(QString::fromLatin1(name)); }

    void writeDatabase(int version)
    {
        ASSERT_TRUE(QFile::copy(file("TPL_VEXA.MDB"), file("VEXA.MDB")));
        SqliteConnection c(file("VEXA.MDB"), false);
        c.exec(QStringLiteral("UPDATE SysInfo SET DBVersion=%1").arg(version));
        c.exec(QStringLiteral("INSERT INTO Collection (Naam) VALUES ('Holiday')"));
    }

    void SetUp() override
    {
        SetProgramDirectory(dir.path());
        SetInstallDirectory(QString());
        ASSERT_TRUE(EnsureTemplate());
    }

    void TearDown() override { TerminateApplication(); }

    int collections()
    {
        RecordSet rs(*AppDb().db, QStringLiteral("Collection"));
        return rs.recordCount();
    }
};

TEST_F(StartupFixture, MissingDatabaseIsCreatedWithoutConversionStep)
{
    StartupResult r = RunStartup(hooks(), dir.path());
    ASSERT_EQ(r.outcome, StartupOutcome::Started);
    EXPECT_EQ(messages.count(), 0);
    EXPECT_TRUE(QFileInfo::exists(file("VEXA.MDB")));
    EXPECT_EQ(loads, 1);
    const QStringList expected { QString(), QStringLiteral("Opening Application Database..."),
        QStringLiteral("Loading Main Application..."),
        QStringLiteral("Creating Application Objects..."),
        QStringLiteral("Initialising Program...") };
    EXPECT_EQ(r.progress, expected);
    EXPECT_NE(Duplicates(), nullptr);
    EXPECT_NE(Binaries(), nullptr);
    EXPECT_TRUE(r.mainWindow->isVisible());
    // A new database takes its language from the locale and stores it.
    EXPECT_FALSE(GetSystemSetting(QStringLiteral("LangOffset")).isNull());
}

TEST_F(StartupFixture, OutdatedDatabaseIsBackedUpAndReplaced)
{
    writeDatabase(299);
    StartupResult r = RunStartup(hooks(), dir.path());
    ASSERT_EQ(r.outcome, StartupOutcome::Started);
    EXPECT_TRUE(r.progress.contains(QStringLiteral("Converting Application Database...")));
    EXPECT_TRUE(QFileInfo::exists(file("VEXA.BAK")));
    EXPECT_FALSE(QFileInfo::exists(file("TEMP.MDB")));
    EXPECT_EQ(collections(), 0);  // nothing is carried over
    EXPECT_EQ(GetSystemSetting(QStringLiteral("DBVersion")).toInt(), 300);
    // The old data is still in the backup.
    SqliteConnection backup(file("VEXA.BAK"), true);
    EXPECT_EQ(backup.scalar(QStringLiteral("SELECT count(*) FROM Collection")).toInt(), 1);
    EXPECT_EQ(backup.scalar(QStringLiteral("SELECT DBVersion FROM SysInfo")).toInt(), 299);
}

TEST_F(StartupFixture, SecondConversionKeepsTheFirstBackupUnderADatedName)
{
    writeDatabase(298);
    ASSERT_EQ(RunStartup(hooks(), dir.path()).outcome, StartupOutcome::Started);
    TerminateApplication();
    // An older program wrote the database again; the next start converts it.
    QFile::remove(file("VEXA.MDB"));
    writeDatabase(299);
    ASSERT_EQ(RunStartup(hooks(), dir.path()).outcome, StartupOutcome::Started);
    SqliteConnection backup(file("VEXA.BAK"), true);
    EXPECT_EQ(backup.scalar(QStringLiteral("SELECT DBVersion FROM SysInfo")).toInt(), 299);
    const QStringList kept
        = QDir(dir.path()).entryList({ QStringLiteral("VEXA.BAK.*") }, QDir::Files);
    ASSERT_EQ(kept.size(), 1) << kept.join(' ').toStdString();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^VEXA\\.BAK\\.\\d{8}-\\d{6}$"))
                    .match(kept.first())
                    .hasMatch())
        << kept.first().toStdString();
    SqliteConnection first(dir.filePath(kept.first()), true);
    EXPECT_EQ(first.scalar(QStringLiteral("SELECT DBVersion FROM SysInfo")).toInt(), 298);
    EXPECT_EQ(first.scalar(QStringLiteral("SELECT count(*) FROM Collection")).toInt(), 1);
}

TEST_F(StartupFixture, NewerDatabaseIsNeverReplaced)
{
    writeDatabase(301);
    const QByteArray before = [&] {
        QFile f(file("VEXA.MDB"));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    StartupResult r = RunStartup(hooks(), dir.path());
    EXPECT_EQ(r.outcome, StartupOutcome::NewerDatabase);
    EXPECT_EQ(loads, 0);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.shown().at(0).text.contains(QStringLiteral("newer version of VEXA")));
    QFile after(file("VEXA.MDB"));
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), before);
    EXPECT_FALSE(QFileInfo::exists(file("VEXA.BAK")));
    EXPECT_TRUE(QDir(dir.path()).entryList({ QStringLiteral("VEXA.MDB.*") }).isEmpty());
    // Nor by the conversion itself, should anything call it.
    EXPECT_FALSE(ReplaceDatabaseFromTemplate());
    QFile again(file("VEXA.MDB"));
    ASSERT_TRUE(again.open(QIODevice::ReadOnly));
    EXPECT_EQ(again.readAll(), before);
}

TEST_F(StartupFixture, StartUpClearsTheDecodersPrivateTemporaryDirectory)
{
    // What a run killed during a disk-cached decode left behind.
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("tmp")));
    QFile stale(dir.filePath(QStringLiteral("tmp/magick-12345AbCdEf")));
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(QByteArray(4096, '\0'));
    stale.close();
    ASSERT_EQ(RunStartup(hooks(), dir.path()).outcome, StartupOutcome::Started);
    EXPECT_FALSE(stale.exists());
    EXPECT_EQ(DecoderTemporaryDirectory(), dir.filePath(QStringLiteral("tmp")));
}

TEST_F(StartupFixture, CurrentDatabaseKeepsItsData)
{
    writeDatabase(300);
    StartupResult r = RunStartup(hooks(), dir.path());
    ASSERT_EQ(r.outcome, StartupOutcome::Started);
    EXPECT_FALSE(r.progress.contains(QStringLiteral("Converting Application Database...")));
    EXPECT_EQ(collections(), 1);
    EXPECT_FALSE(QFileInfo::exists(file("VEXA.BAK")));
}

TEST_F(StartupFixture, CorruptDatabaseIsReportedAndKeptAsideThenRecreated)
{
    QByteArray junk(64 * 1024, '\0');
    std::mt19937 random(7);
    for (char &c : junk)
        c = char(random());
    {
        QFile f(file("VEXA.MDB"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(junk);
    }
    StartupResult r = RunStartup(hooks(), dir.path());
    EXPECT_EQ(r.outcome, StartupOutcome::OpenFailed);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_TRUE(messages.last().text.startsWith(QStringLiteral(
        "Unable to open/create a new database, please restart the application to create a new "
        "database.\r\r")));
    EXPECT_EQ(messages.last().title, QStringLiteral("VEXA - Error"));
    EXPECT_EQ(messages.last().icon, MsgIcon::Critical);
    EXPECT_EQ(loads, 0);
    EXPECT_FALSE(AppDb().isOpen());
    // The unusable file is kept, byte for byte, and out of the way.
    EXPECT_FALSE(QFileInfo::exists(file("VEXA.MDB")));
    QFile kept(r.setAsideAs);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), junk);
    kept.close();

    // The next start creates a fresh database without a word.
    messages.clear();
    r.lock.reset();
    StartupResult again = RunStartup(hooks(), dir.path());
    EXPECT_EQ(again.outcome, StartupOutcome::Started);
    EXPECT_EQ(messages.count(), 0);
}

TEST_F(StartupFixture, SecondCopyIsRefusedInEnglishEvenWhenDutchIsStored)
{
    writeDatabase(300);
    {
        SqliteConnection c(file("VEXA.MDB"), false);
        c.exec(QStringLiteral("UPDATE SysInfo SET LangOffset=2000"));
    }
    SingleCopyLock other(dir.path());
    ASSERT_TRUE(other.acquire());
    SetLangOffset(2000);
    StartupResult r = RunStartup(hooks(), dir.path());
    EXPECT_EQ(r.outcome, StartupOutcome::AlreadyRunning);
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.last().text,
        QStringLiteral("You are already running a copy of VEXA, duplicate instances are not "
                       "allowed."));
    EXPECT_EQ(messages.last().title, QStringLiteral("VEXA - Error"));
    EXPECT_EQ(loads, 0);
}

TEST_F(StartupFixture, StoredDutchWinsAfterTheLanguageStep)
{
    writeDatabase(300);
    {
        SqliteConnection c(file("VEXA.MDB"), false);
        c.exec(QStringLiteral("UPDATE SysInfo SET LangOffset=2000"));
    }
    StartupResult r = RunStartup(hooks(), dir.path());
    ASSERT_EQ(r.outcome, StartupOutcome::Started);
    EXPECT_EQ(LangOffset(), 2000);
    EXPECT_EQ(
        r.progress.at(1), QStringLiteral("Opening Application Database..."));  // still English
    EXPECT_NE(r.progress.last(), QStringLiteral("Initialising Program..."));  // Dutch by now
}

TEST_F(StartupFixture, ReadOnlyProgramDirectoryFailsCleanly)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root writes to read-only directories";
    writeDatabase(300);
    QFile(dir.path()).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    StartupResult r = RunStartup(hooks(), dir.path());
    QFile(dir.path())
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_NE(r.outcome, StartupOutcome::Started);
    EXPECT_EQ(messages.count(), 1);
    EXPECT_TRUE(QFileInfo::exists(file("VEXA.MDB")));  // nothing destroyed
}

// The first run places the window at 10 % / 80 % of the screen; closing it
// stores where the user left it, and the next run puts it back there. A
// stored value that is not a geometry falls back to the first-run placement.
TEST_F(StartupFixture, WindowComesBackWhereTheUserLeftIt)
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    ASSERT_NE(screen, nullptr);
    const QRect firstRun
        = MainWindowPlacement(screen->geometry(), Env().twipsPerPixelX, Env().twipsPerPixelY);
    const QRect moved(
        firstRun.x() + 31, firstRun.y() + 17, firstRun.width() / 2 + 3, firstRun.height() / 2 + 5);
    {
        StartupResult r = RunStartup(hooks(), dir.path());
        ASSERT_EQ(r.outcome, StartupOutcome::Started);
        EXPECT_EQ(r.mainWindow->geometry(), firstRun);
        r.mainWindow->setGeometry(moved);
        SaveMainWindowGeometry(*r.mainWindow);
        TerminateApplication();
    }
    {
        StartupResult r = RunStartup(hooks(), dir.path());
        ASSERT_EQ(r.outcome, StartupOutcome::Started);
        EXPECT_EQ(r.mainWindow->geometry(), moved);
        TerminateApplication();
    }
    {
        SqliteConnection c(file("VEXA.MDB"), false);
        c.exec(QStringLiteral("UPDATE Setting SET Value='bm90IGEgZ2VvbWV0cnk=' WHERE "
                              "Name='WindowGeometry'"));
    }
    StartupResult r = RunStartup(hooks(), dir.path());
    ASSERT_EQ(r.outcome, StartupOutcome::Started);
    EXPECT_EQ(r.mainWindow->geometry(), firstRun);
}

// An older database gains the Setting table on open; one opened read-only
// without it reads no value and refuses a write, without a message.
TEST_F(StartupFixture, SettingsBesideSysInfoAreKeptPerDatabase)
{
    writeDatabase(300);
    {
        SqliteConnection c(file("VEXA.MDB"), false);
        c.exec(QStringLiteral("DROP TABLE Setting"));
    }
    ASSERT_TRUE(OpenApplicationDatabase(DatabaseAccess::ReadOnly));
    EXPECT_EQ(ReadSetting(QStringLiteral("WindowGeometry")), QString());
    EXPECT_FALSE(WriteSetting(QStringLiteral("WindowGeometry"), QStringLiteral("x")));
    CloseApplicationDatabase();
    ASSERT_TRUE(OpenApplicationDatabase(DatabaseAccess::ReadWrite));
    EXPECT_TRUE(WriteSetting(QStringLiteral("A"), QStringLiteral("1")));
    EXPECT_TRUE(WriteSetting(QStringLiteral("A"), QStringLiteral("2")));
    EXPECT_EQ(ReadSetting(QStringLiteral("A")), QStringLiteral("2"));
    EXPECT_EQ(ReadSetting(QStringLiteral("B")), QString());
    CloseApplicationDatabase();
    EXPECT_EQ(messages.count(), 0);
}

TEST(DesktopIdentity, WindowsCarryTheDesktopEntrysIdAndIcon)
{
    SetDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName(), QString::fromLatin1(kDesktopId));
    const QIcon icon = QGuiApplication::windowIcon();
    ASSERT_FALSE(icon.isNull());
    // The drawing of the desktop entry's icon, not the splash picture: the
    // same pixels as the compiled-in SVG at 48 x 48.
    const QImage shown = icon.pixmap(48, 48).toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage entry
        = QIcon(QStringLiteral(":/desktop/%1.svg").arg(QString::fromLatin1(kDesktopId)))
              .pixmap(48, 48)
              .toImage()
              .convertToFormat(QImage::Format_ARGB32);
    EXPECT_FALSE(entry.isNull());
    EXPECT_EQ(shown, entry);
    QWidget window;
    EXPECT_EQ(window.windowIcon().cacheKey(), icon.cacheKey());
}

TEST(Placement, TenPercentInAndEightyPercentOfTheScreen)
{
    EXPECT_EQ(MainWindowPlacement(QRect(0, 0, 1024, 768), 15, 15), QRect(102, 77, 819, 614));
    EXPECT_EQ(MainWindowPlacement(QRect(0, 0, 1920, 1080), 15, 15), QRect(192, 108, 1536, 864));
    EXPECT_EQ(MainWindowPlacement(QRect(0, 0, 1280, 1024), 12, 12), QRect(128, 102, 1024, 819));
}

}  // namespace

namespace {

TEST(AboutBox, IsTheSplashWithItsOkButtonAndTheDatabaseVersion)
{
    test::TempDataDir data;
    SplashWindow about;
    EXPECT_TRUE(about.isAboutBox());
    EXPECT_EQ(about.startupInfo(), QStringLiteral("Database Version: 3.00"));
    EXPECT_EQ(DatabaseVersionText(305), QStringLiteral("Database Version: 3.05"));
    CloseApplicationDatabase();
    SplashWindow splash;
    EXPECT_FALSE(splash.isAboutBox()) << "during start-up the database is not open yet";
    EXPECT_EQ(splash.startupInfo(), QString());
}

}  // namespace

TEST(QtTranslation, ADutchProgramGetsQtsOwnDialogsInDutch)
{
    SetLangOffset(0);
    EXPECT_EQ(InstallQtTranslation(), nullptr) << "English needs none";
    SetLangOffset(2000);
    QTranslator *translator = InstallQtTranslation();
    if (!translator) {
        SetLangOffset(0);
        GTEST_SKIP() << "Qt's Dutch translation (qt6-translations-l10n) is not installed";
    }
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    EXPECT_EQ(box.button(QMessageBox::Yes)->text(), QStringLiteral("&Ja"));
    EXPECT_EQ(box.button(QMessageBox::No)->text(), QStringLiteral("&Nee"));
    EXPECT_NE(box.button(QMessageBox::Cancel)->text(), QStringLiteral("Cancel"));
    QFileDialog dialog(nullptr, QStringLiteral("x"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    QStringList captions;
    for (const QLabel *label : dialog.findChildren<QLabel *>())
        captions << label->text();
    EXPECT_FALSE(captions.contains(QStringLiteral("Look in:")))
        << captions.join(u'|').toStdString();
    QCoreApplication::removeTranslator(translator);
    delete translator;
    SetLangOffset(0);
}
