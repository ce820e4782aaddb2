#include "app/startup.h"

#include "app/appobjects.h"
#include "app/splashwindow.h"
#include "base/environment.h"
#include "base/messages.h"
#include "base/rounding.h"
#include "base/texts.h"
#include "db/lifecycle.h"
#include "db/schema.h"
#include "db/settings.h"
#include "signature/imageloader.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QScreen>
#include <QTranslator>

namespace vexa {

QTranslator *InstallQtTranslation()
{
    if (LangOffset() != 2000 || !QCoreApplication::instance())
        return nullptr;
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(QLocale(QLocale::Dutch, QLocale::Netherlands), QStringLiteral("qtbase"),
            QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(translator);
        return translator;
    }
    delete translator;
    return nullptr;
}

namespace {

// "The application database VEXA.MDB was written by a newer version ..."
constexpr int kTextNewerDatabase = 1975;

// The Setting that holds QWidget::saveGeometry, base64.
constexpr char kWindowGeometry[] = "WindowGeometry";

void reportStartupFailure(int textId)
{
    Messages().show(Text(textId) + QStringLiteral("\r\r") + Text(814), Text(767), MsgIcon::Critical,
        MsgButtons::Ok);
}

}  // namespace

void SaveMainWindowGeometry(const QWidget &window)
{
    WriteSetting(QString::fromLatin1(kWindowGeometry),
        QString::fromLatin1(window.saveGeometry().toBase64()));
}

QRect MainWindowPlacement(const QRect &screen, int twipsPerPixelX, int twipsPerPixelY)
{
    const double widthTwips = double(screen.width()) * twipsPerPixelX;
    const double heightTwips = double(screen.height()) * twipsPerPixelY;
    const auto toPixelsX = [&](double twips) { return int(RoundHalfEven(twips / twipsPerPixelX)); };
    const auto toPixelsY = [&](double twips) { return int(RoundHalfEven(twips / twipsPerPixelY)); };
    return QRect(screen.x() + toPixelsX(0.1 * widthTwips),
        screen.y() + toPixelsY(0.1 * heightTwips), toPixelsX(widthTwips - 0.2 * widthTwips),
        toPixelsY(heightTwips - 0.2 * heightTwips));
}

StartupResult RunStartup(const StartupHooks &hooks, const QString &programDirectory)
{
    StartupResult result;
    SetLangOffset(0);  // everything before the language step is English
    SetProgramDirectory(programDirectory);

    // 1. Single copy
    result.lock = std::make_unique<SingleCopyLock>(programDirectory);
    if (!result.lock->acquire()) {
        result.lock.reset();
        Messages().show(Text(768), Text(767), MsgIcon::Critical, MsgButtons::Ok);
        result.outcome = StartupOutcome::AlreadyRunning;
        return result;
    }

    // Decoder temporary files of a run that was killed go now; later decodes
    // write theirs to the same private directory.
    SetDecoderTemporaryDirectory(PrivateTemporaryDirectory());

    // 2. The main window instance
    result.mainWindow = hooks.createMainWindow();

    // 3, 4. Splash
    auto splash = std::make_unique<SplashWindow>();
    const auto info = [&](const QString &text) {
        result.progress.append(text);
        splash->SetStartupInfo(text);
    };
    splash->show();
    info(QString());
    info(Text(770));

    const auto fail = [&](StartupOutcome outcome, int textId) {
        splash.reset();
        reportStartupFailure(textId);
        result.setAsideAs = SetAsideDatabase();
        TerminateApplication();
        result.mainWindow.reset();
        result.outcome = outcome;
        return std::move(result);
    };

    // 5. Version
    int version = 0;
    if (!CheckDatabaseVersion(version)) {
        if (version > kDatabaseVersion) {
            // Written by a newer program: replacing it would lose the user's
            // collections and gathered data, so it stays as it is.
            splash.reset();
            Messages().show(Text(kTextNewerDatabase), Text(767), MsgIcon::Critical, MsgButtons::Ok);
            TerminateApplication();
            result.mainWindow.reset();
            result.outcome = StartupOutcome::NewerDatabase;
            return result;
        }
        info(Text(771));
        if (!ReplaceDatabaseFromTemplate())
            return fail(StartupOutcome::ConversionFailed, 772);
        CompactApplicationDatabase();
    }

    // 6. Open
    if (!OpenApplicationDatabase())
        return fail(StartupOutcome::OpenFailed, 774);

    // 7. Language
    InitialiseLanguage();
    InstallQtTranslation();

    // 8, 9. Environment
    info(Text(775));
    const QScreen *screen = QGuiApplication::primaryScreen();
    InitialiseEnvironment(screen ? screen->logicalDotsPerInchX() : 96.0,
        screen ? screen->logicalDotsPerInchY() : 96.0);

    // 10, 11. Application objects
    info(Text(776));
    CreateApplicationObjects();

    // 12, 13. Main window load
    info(Text(777));
    if (hooks.loadMainWindow)
        hooks.loadMainWindow(result.mainWindow.get());

    // 14. Placement
    const QRect available = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    result.mainWindow->setGeometry(
        MainWindowPlacement(available, Env().twipsPerPixelX, Env().twipsPerPixelY));
    // From the second run on, where the user left it; restoreGeometry keeps
    // the window on a screen that still exists.
    const QByteArray saved
        = QByteArray::fromBase64(ReadSetting(QString::fromLatin1(kWindowGeometry)).toLatin1());
    if (!saved.isEmpty())
        result.mainWindow->restoreGeometry(saved);

    // 15, 16.
    splash.reset();
    result.mainWindow->show();
    result.outcome = StartupOutcome::Started;
    return result;
}

}  // namespace vexa
