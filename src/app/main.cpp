// vexa: the desktop program.
#include "app/appobjects.h"
#include "app/modules.h"
#include "app/resources.h"
#include "app/splashwindow.h"
#include "app/startup.h"
#include "base/environment.h"
#include "base/qtmessages.h"
#include "signature/imageloader.h"
#include "ui/mainwindow.h"

#include <QApplication>

int main(int argc, char **argv)
{
    // Qt's own file dialogs follow the program's language (with Qt's
    // translations loaded at start); the desktop's follow the desktop's.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QApplication app(argc, argv);
    vexa::InitialiseResources();
    QApplication::setApplicationName(QStringLiteral("vexa"));
    QApplication::setOrganizationName(QStringLiteral("vexa"));
    vexa::SetDesktopIdentity();

    vexa::QtMessages messages;
    vexa::SetMessageSeam(&messages);
    vexa::InitialiseImageLoader();

    const QString exeDir = QCoreApplication::applicationDirPath();
    vexa::SetInstallDirectory(vexa::ResolveInstallDirectory(exeDir));

    vexa::StartupHooks hooks;
    hooks.createMainWindow = [] { return std::make_unique<vexa::MainWindow>(); };
    hooks.loadMainWindow = [](QWidget *window) {
        auto *main = static_cast<vexa::MainWindow *>(window);
        main->setAboutHandler([main] { vexa::ShowAboutBox(main); });
        vexa::InstallModules(*main);
        // Closing the window (when no run is in progress) shuts the program down.
        main->setCommandHandler(QStringLiteral("Unload"), [main] {
            vexa::SaveMainWindowGeometry(*main);
            vexa::TerminateApplication();
        });
        main->Load();
    };
    vexa::StartupResult started = vexa::RunStartup(hooks, vexa::ResolveDataDirectory(exeDir));
    if (started.outcome != vexa::StartupOutcome::Started)
        return 1;
    // The window's close handler terminates the application and lets the
    // close go on; the process ends with its last window.
    const int status = app.exec();
    started.mainWindow.reset();
    vexa::SetMessageSeam(nullptr);
    return status;
}
