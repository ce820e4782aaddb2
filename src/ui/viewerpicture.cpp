#include "ui/viewerpicture.h"

#include "base/diskpath.h"
#include "signature/imagefunc.h"

#include <QMouseEvent>
#include <QPainter>

namespace vexa {

namespace {

constexpr int kMargin = 4;  // pixels around the picture

}  // namespace

ViewerPicture::ViewerPicture(QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QColor(0x30, 0x30, 0x30));
    palette.setColor(QPalette::WindowText, QColor(0xe0, 0xe0, 0xe0));
    setPalette(palette);
    setMinimumSize(64, 64);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
}

void ViewerPicture::setPicture(const QImage &picture, const QString &fullName)
{
    m_picture = picture;
    m_fullName = fullName;
    m_error.clear();
    m_detail.clear();
    setToolTip(DisplayName(fullName));
    update();
}

void ViewerPicture::setError(const QString &fullName, const QString &message, const QString &detail)
{
    m_picture = QImage();
    m_fullName = fullName;
    m_error = message;
    m_detail = detail;
    setToolTip(DisplayName(fullName));
    update();
}

void ViewerPicture::clear()
{
    m_picture = QImage();
    m_fullName.clear();
    m_error.clear();
    m_detail.clear();
    setToolTip(QString());
    update();
}

QSize ViewerPicture::decodeBox() const
{
    const QSize area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin).size();
    return (QSizeF(area.expandedTo(QSize(16, 16))) * devicePixelRatioF()).toSize();
}

QRect ViewerPicture::drawnRect() const
{
    if (m_picture.isNull())
        return {};
    const QRect area = rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
    QSizeF box(area.size());
    const QSizeF own
        = QSizeF(m_picture.size()) / m_picture.devicePixelRatio() / devicePixelRatioF();
    // A picture smaller than the box stays at its own size.
    if (own.width() <= box.width() && own.height() <= box.height())
        box = own;
    QRect target = FittedRectangle(QSizeF(m_picture.size()), box);
    target.moveCenter(area.center());
    return target;
}

void ViewerPicture::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    if (!m_picture.isNull()) {
        painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
        painter.drawImage(drawnRect(), m_picture);
        return;
    }
    if (m_error.isEmpty())
        return;
    painter.setPen(palette().color(QPalette::WindowText));
    const QRect area = rect().adjusted(kMargin * 4, kMargin * 4, -kMargin * 4, -kMargin * 4);
    const QString name = fontMetrics().elidedText(
        DisplayName(m_fullName.mid(m_fullName.lastIndexOf(QLatin1Char('/')) + 1)), Qt::ElideMiddle,
        area.width());
    QString text = m_error + QLatin1Char('\n') + name;
    if (!m_detail.isEmpty())
        text += QStringLiteral("\n(") + m_detail + QLatin1Char(')');
    painter.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, text);
}

void ViewerPicture::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QWidget::mousePressEvent(event);
}

void ViewerPicture::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    emit resized();
}

}  // namespace vexa
