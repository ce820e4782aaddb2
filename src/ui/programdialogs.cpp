#include "ui/programdialogs.h"

#include "ui/featurehost.h"
#include "ui/helpwindow.h"
#include "ui/optionsdialog.h"
#include "ui/webinfodialog.h"

#include <QApplication>

namespace vexa {

void InstallProgramDialogs(FeatureHost &host)
{
    FeatureHost *window = &host;
    host.setCommandHandler(
        QStringLiteral("mnuOptions"), [window] { ShowOptionsDialog(window->hostWidget()); });
    host.setCommandHandler(QStringLiteral("mnuHelpContents"), [] { ShowHelp(0); });
    host.setCommandHandler(
        QStringLiteral("mnuHelpWeb"), [window] { ShowWebInfoDialog(window->hostWidget()); });
    host.setCommandHandler(QStringLiteral("HelpContext"), [window] {
        QWidget *focused = QApplication::focusWidget();
        QWidget *main = window->hostWidget();
        ShowHelpFor(focused && focused->window() == main ? focused : main, main);
    });
}

}  // namespace vexa
