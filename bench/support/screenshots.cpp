#include "screenshots.h"

#include "app/appobjects.h"
#include "app/resources.h"
#include "base/environment.h"
#include "db/lifecycle.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace vexa::shots {

QImage picture(int w, int h, QColor a, QColor b)
{
    QImage image(w, h, QImage::Format_RGB32);
    QPainter painter(&image);
    QLinearGradient gradient(0, 0, w, h);
    gradient.setColorAt(0, a);
    gradient.setColorAt(1, b);
    painter.fillRect(image.rect(), gradient);
    painter.setBrush(QColor(250, 240, 200));
    painter.drawEllipse(QPoint(w / 3, h / 3), std::min(w, h) / 6, std::min(w, h) / 6);
    return image;
}

void settle(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
}

void shoot(const QString &file)
{
    QApplication::processEvents();
    QProcess::execute(
        QStringLiteral("import"), { QStringLiteral("-window"), QStringLiteral("root"), file });
    std::printf("%s\n", qPrintable(file));
}

Session::Session(const QApplication &app, int argc, char **argv)
    : m_out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp"))
{
    InitialiseResources();
    QDir().mkpath(m_out);
    const QScreen *screen = app.primaryScreen();
    InitialiseEnvironment(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());
    SetProgramDirectory(m_temp.path());
    m_ok = OpenApplicationDatabase();
    if (m_ok)
        CreateApplicationObjects();
}

}  // namespace vexa::shots
