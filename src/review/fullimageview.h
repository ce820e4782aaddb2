#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

namespace vexa {

// One image shown as large as the panel allows (never enlarged beyond its
// own size), centred. Used by the duplicate viewer and the disk viewer.
// Interface thread only.
class FullImageView : public QWidget {
    Q_OBJECT
public:
    explicit FullImageView(QWidget *parent = nullptr);

    // Decodes the file at full size; false (the view unchanged) when it
    // cannot be read.
    bool ShowImageFile(const QString &fullName);
    void Clear();
    const QImage &picture() const { return m_picture; }
    const QString &fullName() const { return m_fullName; }
    // Where the picture is drawn, in widget pixels.
    QRect drawnRect() const;

signals:
    // The user clicked the picture (leaves view mode).
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QImage m_picture;
    QString m_fullName;
    QString m_caption;
};

}  // namespace vexa
