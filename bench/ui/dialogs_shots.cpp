// dialogs_shots OUTDIR: the options dialog, the contact box, two help pages
// and Qt's own file dialog and message box over the main window, in English
// and Dutch, taken of the X screen with ImageMagick's import. Run under
//   xvfb-run -a -s "-screen 0 1024x768x24" dialogs_shots OUTDIR
#include "app/appobjects.h"
#include "app/modules.h"
#include "app/resources.h"
#include "app/startup.h"
#include "base/environment.h"
#include "base/texts.h"
#include "db/lifecycle.h"
#include "db/settings.h"
#include "ui/helpwindow.h"
#include "ui/mainwindow.h"
#include "ui/optionsdialog.h"
#include "ui/webinfodialog.h"

#include "screenshots.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QScreen>
#include <QTemporaryDir>
#include <QTranslator>

using namespace vexa;
using namespace vexa::shots;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const shots::Session session(app, argc, argv);
    if (!session.ok())
        return 1;
    const QString &out = session.out();
    const QTemporaryDir &temp = session.temp();

    for (const int offset : { 0, 2000 }) {
        const QString lang = offset ? QStringLiteral("nl") : QStringLiteral("en");
        SaveSystemSetting(QStringLiteral("LangOffset"), offset);
        SetLangOffset(offset);
        QTranslator *translator = InstallQtTranslation();
        auto shot = [&](const char *name) {
            settle(500);
            shoot(QStringLiteral("%1/%2_%3.png").arg(out, QLatin1String(name), lang));
        };
        {
            MainWindow window;
            InstallModules(window);
            window.Load();
            window.setGeometry(0, 0, 1024, 740);
            window.show();
            settle(600);

            OptionsDialog options(&window);
            options.show();
            options.move(300, 250);
            shot("options");
            options.close();

            WebInfoDialog contact(&window);
            contact.show();
            contact.move(260, 200);
            shot("contact");
            contact.close();

            HelpWindow *help = ShowHelp(0);
            help->move(40, 30);
            shot("help_contents");
            help->showTopic(302);
            shot("help_quality");
            help->showTopic(900);
            shot("help_messages");
            help->close();

            QFileDialog files(&window, Text(709));
            files.setOption(QFileDialog::DontUseNativeDialog);
            files.setFileMode(QFileDialog::Directory);
            files.setDirectory(temp.path());
            files.show();
            files.move(150, 120);
            shot("filedialog");
            files.close();

            QMessageBox question(QMessageBox::Warning, Text(707), Text(779),
                QMessageBox::Yes | QMessageBox::No, &window);
            question.show();
            shot("messagebox");
            question.close();
            settle(200);
        }
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
