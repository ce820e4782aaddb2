// Renders the program's SVG icon as a square PNG at build time:
//   vexa-iconpng ICON.svg OUT.png SIZE
// so the icon theme gets every size from the one drawing, without a
// rasteriser beyond Qt's own.
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fputs("usage: vexa-iconpng ICON.svg OUT.png SIZE\n", stderr);
        return 2;
    }
    const int size = QByteArray(argv[3]).toInt();
    QSvgRenderer svg(QString::fromLocal8Bit(argv[1]));
    if (!svg.isValid() || size < 1 || size > 1024) {
        std::fprintf(stderr, "vexa-iconpng: cannot render %s at %s\n", argv[1], argv[3]);
        return 1;
    }
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    svg.render(&painter);
    painter.end();
    const QString out = QString::fromLocal8Bit(argv[2]);
    QDir().mkpath(QFileInfo(out).absolutePath());
    return image.save(out, "PNG") ? 0 : 1;
}
