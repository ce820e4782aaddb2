#include "controls/fileinfopanel.h"

#include "base/diskpath.h"
#include "base/textids.h"
#include "base/texts.h"

#include <QEvent>
#include <QLabel>

#include <cmath>

namespace vexa {

namespace {

constexpr int kCaptionIds[4] = { 800, 801, 802, 803 };
constexpr const char *kValueNames[4]
    = { "lblDupPath", "lblDupFileName", "lblDupSize", "lblDupDims" };
// Pixels between a caption and its value, and at the right of each column.
constexpr int kCaptionGap = 4;
constexpr int kColumnGap = 8;

}  // namespace

FileInfoPanel::FileInfoPanel(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("uctrlFileInfo"));
    for (int i = 0; i < 4; ++i) {
        auto *caption = new QLabel(Text(kCaptionIds[i]), this);
        caption->setObjectName(QStringLiteral("lblInfo%1").arg(i));
        caption->setTextFormat(Qt::PlainText);
        SetTextIds(caption, kCaptionIds[i]);
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
        int captionWidth = 0;
        if (m_showLabels) {
            captionWidth = std::min(caption->sizeHint().width(), usable);
            caption->setGeometry(x, 0, captionWidth, lineHeight);
            caption->show();
            captionWidth += kCaptionGap;
        } else {
            caption->hide();
        }
        const int valueWidth = std::max(0, usable - captionWidth);
        value->setGeometry(x + captionWidth, 0, valueWidth, lineHeight);
        // A long path keeps its start and its end; the tool tip has it whole.
        const QString shown = DisplayName(m_values[i]);
        value->setText(value->fontMetrics().elidedText(shown, Qt::ElideMiddle, valueWidth));
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
