#include "app/resources.h"

#include <QGuiApplication>
#include <QIcon>
#include <QtGlobal>

static void initialiseQrc()
{
    Q_INIT_RESOURCE(splash);
    Q_INIT_RESOURCE(icons);
    Q_INIT_RESOURCE(help);
    Q_INIT_RESOURCE(desktop);
}

namespace vexa {

void InitialiseResources()
{
    initialiseQrc();
}

void SetDesktopIdentity()
{
    const QString id = QString::fromLatin1(kDesktopId);
    QGuiApplication::setDesktopFileName(id);
    QGuiApplication::setWindowIcon(
        QIcon::fromTheme(id, QIcon(QStringLiteral(":/desktop/%1.svg").arg(id))));
}

}  // namespace vexa
