#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace vexa {

// imgPreview: one decoded picture drawn as large as the box allows with its
// aspect ratio kept, centred, never enlarged beyond the pixels it was decoded
// with; or, for a file that could not be shown, why. Interface thread only.
class ViewerPicture : public QWidget {
    Q_OBJECT
public:
    explicit ViewerPicture(QWidget *parent = nullptr);

    void setPicture(const QImage &picture, const QString &fullName);
    // The file could not be shown: message and, when known, why (both in
    // the user's language); the tool tip names the file whole.
    void setError(const QString &fullName, const QString &message, const QString &detail);
    void clear();

    const QImage &picture() const { return m_picture; }
    // The file shown, or the one whose error is shown.
    const QString &fullName() const { return m_fullName; }
    const QString &errorText() const { return m_error; }
    const QString &errorDetail() const { return m_detail; }
    // The box a decode for this widget should fit, in device pixels.
    QSize decodeBox() const;
    // Where the picture is drawn, in widget pixels.
    QRect drawnRect() const;

signals:
    void clicked();
    void resized();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    QImage m_picture;
    QString m_fullName;
    QString m_error;
    QString m_detail;
};

}  // namespace vexa
