#include "controls/fileinfopanel.h"

#include "base/diskpath.h"
#include "base/texts.h"

#include <QEvent>
#include <QLabel>

#include <algorithm>
#include <cmath>

namespace vexa {

namespace {

constexpr int kCaptionIds[4] = { 800, 801, 802, 803 };
constexpr const char *kValueNames[4]
    = { "lblDupPath", "lblDupFileName", "lblDupSize", "lblDupDims" };
// Pixels between a caption and its value, and at the right of each column.
constexpr int kCaptionGap = 4;
constexpr int kColumnGap = 8;
// Text measured by advance can be a pixel wider when drawn; without the
// slack a label of exactly that width elides its text.
constexpr int kSlack = 2;

}  // namespace

FileInfoPanel::FileInfoPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("uctrlFileInfo"));
    for (int i = 0; i < 4; ++i) {
        auto *caption = new QLabel(Text(kCaptionIds[i]), this);
        caption->setObjectName(QStringLiteral("lblInfo%1").arg(i));
        caption->setTextFormat(Qt::PlainText);
        // The captions are texts 800-803 of the current language, fitted
        // to their columns by the layout rather than by the caption walk.
        m_captions[size_t(i)] = caption;
        auto *value = new QLabel(this);
        value->setObjectName(QLatin1String(kValueNames[i]));
        value->setTextFormat(Qt::PlainText);
        QFont bold = value->font();
        bold.setBold(true);
        value->setFont(bold);
        m_labels[size_t(i)] = value;
    }
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void FileInfoPanel::SetValues(const QString &directory, const QString &fileName,
    const QString &sizeText, const QString &dimensionsText)
{
    if (directory.isEmpty() && fileName.isEmpty()) {
        m_values[0].clear();
        m_values[1].clear();
    } else {
        // There are no short names to lengthen here; the full name is only
        // split again at its last separator, so a file name given with a
        // directory part still lands in the right column.
        const QString full = directory + QLatin1Char('/') + fileName;
        const qsizetype slash = full.lastIndexOf(QLatin1Char('/'));
        m_values[0] = full.left(slash);
        m_values[1] = full.mid(slash + 1);
        if (m_values[0].isEmpty() && directory == QLatin1String("/"))
            m_values[0] = directory;
    }
    m_values[2] = sizeText;
    m_values[3] = dimensionsText;
    layoutColumns();
}

void FileInfoPanel::SetShowDims(bool on)
{
    if (on == m_showDims)
        return;
    m_showDims = on;
    m_changed.insert(QStringLiteral("ShowDims"));
    layoutColumns();
}

void FileInfoPanel::SetShowLabels(bool on)
{
    if (on == m_showLabels)
        return;
    m_showLabels = on;
    m_changed.insert(QStringLiteral("ShowLabels"));
    layoutColumns();
}

void FileInfoPanel::SetShowPath(bool on)
{
    if (on == m_showPath)
        return;
    m_showPath = on;
    m_changed.insert(QStringLiteral("ShowPath"));
    layoutColumns();
}

std::array<double, 4> FileInfoPanel::ColumnFractions(bool showPath, bool showDims)
{
    // A hidden dimensions column gives its 0.2 to the file name and the
    // size in equal halves.
    const double w = showDims ? 0.0 : 0.2;
    if (showPath)
        return { 0.4, 0.25 + w / 2, 0.15 + w / 2, 0.2 - w };
    return { 0.0, 0.6 + w / 2, 0.2 + w / 2, 0.2 - w };
}

std::array<int, 4> FileInfoPanel::columnWidths() const
{
    const std::array<double, 4> fractions = ColumnFractions(m_showPath, m_showDims);
    std::array<int, 4> widths {};
    // Edges rounded rather than widths, so the columns always fill the panel.
    double edge = 0;
    int left = 0;
    for (size_t i = 0; i < 4; ++i) {
        edge += fractions[i];
        const int right = int(std::lround(edge * width()));
        widths[i] = fractions[i] == 0.0 ? 0 : right - left;
        left = right;
    }
    // A size or a dimension that does not fit its column takes the room it
    // needs from the directory (or else the file-name) column: a cut
    // number reads as a wrong one. Its caption ("Bestandsgrootte:") then
    // takes room too, as long as the donor keeps three quarters of its own.
    const QFontMetrics metrics = m_labels[0]->fontMetrics();
    const size_t donor = widths[0] > 0 ? 0 : 1;
    const int donorFloor = std::max(kColumnGap * 4, widths[donor] * 3 / 4);
    for (size_t i = 2; i < 4; ++i) {
        if (widths[i] == 0 || m_values[i].isEmpty())
            continue;
        const int need = metrics.horizontalAdvance(m_values[i]) + kSlack + kColumnGap;
        const int take
            = std::clamp(need - widths[i], 0, std::max(0, widths[donor] - kColumnGap * 4));
        widths[donor] -= take;
        widths[i] += take;
    }
    for (size_t i = 2; m_showLabels && i < 4; ++i) {
        if (widths[i] == 0 || m_values[i].isEmpty())
            continue;
        const int need = m_captions[i]->fontMetrics().horizontalAdvance(Text(kCaptionIds[i]))
            + kCaptionGap + kSlack + metrics.horizontalAdvance(m_values[i]) + kSlack + kColumnGap;
        const int take = std::clamp(need - widths[i], 0, std::max(0, widths[donor] - donorFloor));
        widths[donor] -= take;
        widths[i] += take;
    }
    return widths;
}

void FileInfoPanel::layoutColumns()
{
    const std::array<int, 4> widths = columnWidths();
    const int lineHeight = height();
    int x = 0;
    for (size_t i = 0; i < 4; ++i) {
        QLabel *caption = m_captions[i];
        QLabel *value = m_labels[i];
        const int column = widths[i];
        if (column <= 0) {
            caption->hide();
            value->hide();
            continue;
        }
        const int usable = std::max(0, column - kColumnGap);
        const QString shown = DisplayName(m_values[i]);
        const QFontMetrics valueMetrics = value->fontMetrics();
        // A size or a dimension is never cut: its caption gives way first.
        // A path or a name keeps its start and its end, elided between.
        const bool number = i >= 2;
        const int captionNeed = m_showLabels
            ? caption->fontMetrics().horizontalAdvance(Text(kCaptionIds[i])) + kCaptionGap + kSlack
            : 0;
        int valueWidth = std::max(0, usable - captionNeed);
        if (number)
            valueWidth = std::min(
                usable, std::max(valueWidth, valueMetrics.horizontalAdvance(shown) + kSlack));
        if (m_showLabels) {
            const int captionWidth = std::max(0, usable - valueWidth - kCaptionGap);
            caption->setText(caption->fontMetrics().elidedText(
                Text(kCaptionIds[i]), Qt::ElideRight, captionWidth));
            caption->setToolTip(Text(kCaptionIds[i]));
            caption->setGeometry(x, 0, captionWidth, lineHeight);
            caption->setVisible(captionWidth > 0);
        } else {
            caption->hide();
        }
        value->setGeometry(x + usable - valueWidth, 0, valueWidth, lineHeight);
        value->setText(valueMetrics.elidedText(shown, Qt::ElideMiddle, valueWidth));
        value->setToolTip(shown);
        value->show();
        x += column;
    }
}

QVariantMap FileInfoPanel::SaveProperties() const
{
    return { { QStringLiteral("ShowDims"), m_showDims },
        { QStringLiteral("ShowLabels"), m_showLabels },
        { QStringLiteral("ShowPath"), m_showPath } };
}

void FileInfoPanel::RestoreProperties(const QVariantMap &store)
{
    m_showDims = store.value(QStringLiteral("ShowDims"), true).toBool();
    m_showLabels = store.value(QStringLiteral("ShowLabels"), true).toBool();
    m_showPath = store.value(QStringLiteral("ShowPath"), true).toBool();
    m_changed.clear();
    layoutColumns();
}

QSize FileInfoPanel::sizeHint() const
{
    return QSize(600, minimumSizeHint().height());
}

QSize FileInfoPanel::minimumSizeHint() const
{
    return QSize(0, m_labels[0]->fontMetrics().height() + 6);
}

void FileInfoPanel::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutColumns();
}

void FileInfoPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    // The caption walk changes the captions' texts, and so their widths.
    if (event->type() == QEvent::FontChange || event->type() == QEvent::LanguageChange)
        layoutColumns();
}

}  // namespace vexa
