#include "review/fullimageview.h"

#include "base/diskpath.h"
#include "signature/imagefunc.h"
#include "signature/imageloader.h"

#include <QDir>
#include <QMouseEvent>
#include <QPainter>

namespace vexa {

FullImageView::FullImageView(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    palette.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
    setPalette(palette);
}

bool FullImageView::ShowImageFile(const QString &fullName)
{
    LoadedImage image;
    if (!LoadImageFile(fullName, image, DecodeSize::Full))
        return false;
    m_picture = image.picture;
    m_fullName = fullName;
    m_caption = QStringLiteral("%1    %2 x %3")
                    .arg(DisplayName(fullName))
                    .arg(image.width)
                    .arg(image.height);
    setToolTip(DisplayName(fullName));
    update();
    return true;
}

void FullImageView::Clear()
{
    m_picture = QImage();
    m_fullName.clear();
    m_caption.clear();
    setToolTip(QString());
    update();
}

QRect FullImageView::drawnRect() const
{
    if (m_picture.isNull())
        return QRect();
    const int captionHeight = fontMetrics().height() + 8;
    const QRect area = rect().adjusted(4, 4, -4, -captionHeight);
    QSizeF box(area.size());
    // Small pictures stay at their own size rather than being blown up.
    if (m_picture.width() <= box.width() && m_picture.height() <= box.height())
        box = QSizeF(m_picture.size());
    QRect target = FittedRectangle(QSizeF(m_picture.size()), box);
    target.moveCenter(area.center());
    return target;
}

void FullImageView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (m_picture.isNull())
        return;
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter.drawImage(drawnRect(), m_picture);
    const int captionHeight = fontMetrics().height() + 8;
    const QRect caption(4, height() - captionHeight, width() - 8, captionHeight);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(caption, Qt::AlignCenter,
        fontMetrics().elidedText(m_caption, Qt::ElideMiddle, caption.width()));
}

void FullImageView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QWidget::mousePressEvent(event);
}

}  // namespace vexa
