#pragma once

#include <QSet>
#include <QString>
#include <QVariantMap>
#include <QWidget>

#include <array>

class QLabel;

namespace vexa {

// uctrlFileInfo: one line showing the directory, file name, size and
// dimensions of one image file in four columns, each optionally preceded by
// its caption (texts 800-803). Interface thread only.
class FileInfoPanel : public QWidget {
    Q_OBJECT
public:
    explicit FileInfoPanel(QWidget *parent = nullptr);

    // Shows one file: the directory label gets the part of directory + "/" +
    // fileName before its last "/", the file-name label the part after it;
    // size and dimensions texts as given. Names are stored names (see
    // base/diskpath.h) and shown as a person reads them. Empty texts clear.
    void SetValues(const QString &directory, const QString &fileName, const QString &sizeText,
        const QString &dimensionsText);
    void Clear() { SetValues(QString(), QString(), QString(), QString()); }

    // The texts shown (whole; a label too narrow shows them elided).
    QString directoryText() const { return m_values[0]; }
    QString fileNameText() const { return m_values[1]; }
    QString sizeText() const { return m_values[2]; }
    QString dimensionsText() const { return m_values[3]; }

    // Setting a different value stores it, marks it changed for the property
    // store and lays the panel out again.
    bool ShowDims() const { return m_showDims; }
    void SetShowDims(bool on);
    bool ShowLabels() const { return m_showLabels; }
    void SetShowLabels(bool on);
    bool ShowPath() const { return m_showPath; }
    void SetShowPath(bool on);

    // Fractions of the panel width for the directory, file name, size and
    // dimensions columns; they add up to 1, a hidden column has 0.
    static std::array<double, 4> ColumnFractions(bool showPath, bool showDims);
    // Pixel widths of the four columns at the current width: the fractions,
    // except that a size or dimensions text wider than its column takes the
    // room it needs from the directory column (the file-name column without
    // one).
    std::array<int, 4> columnWidths() const;

    // The host's property store: ShowDims, ShowLabels, ShowPath; a missing
    // entry takes the default (true).
    QVariantMap SaveProperties() const;
    void RestoreProperties(const QVariantMap &store);
    const QSet<QString> &changedProperties() const { return m_changed; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void layoutColumns();

    std::array<QLabel *, 4> m_captions {};  // lblInfo(0..3)
    std::array<QLabel *, 4> m_labels {};  // lblDupPath, lblDupFileName, lblDupSize, lblDupDims
    std::array<QString, 4> m_values;
    bool m_showDims = true;
    bool m_showLabels = true;
    bool m_showPath = true;
    QSet<QString> m_changed;
};

}  // namespace vexa
