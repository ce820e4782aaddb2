#include "support/photograph.h"

#include <QBuffer>
#include <QPainter>
#include <QRandomGenerator>

#include <cstdlib>

namespace vexa::test {

QImage MakePhotograph(int seed)
{
    QImage picture(320, 240, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(
                x, y, y < 100 ? qRgb(90 + y, 140 + y / 2, 230) : qRgb(60 + x / 8, 110 - y / 4, 40));
    QRandomGenerator random { quint32(seed) };
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    for (int shape = 0; shape < 14; ++shape) {
        painter.setBrush(QColor(random.bounded(256), random.bounded(256), random.bounded(256)));
        const QRect where(random.bounded(300) - 20, random.bounded(220) - 20,
            30 + random.bounded(120), 30 + random.bounded(90));
        if (shape % 2)
            painter.drawEllipse(where);
        else
            painter.drawRect(where);
    }
    return picture;
}

QByteArray JpegBytes(const QImage &picture, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "JPEG", quality);
    return bytes;
}

double MeanDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q))
                + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * a.width() * a.height());
}

}  // namespace vexa::test
