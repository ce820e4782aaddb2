#include "screenshots.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
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

}  // namespace vexa::shots
