#include "narration/narrationsettingstab.h"

#include "base/textids.h"
#include "base/texts.h"
#include "narration/narrationsettings.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <vector>

namespace vexa {

namespace {

// What F1 opens on a method button.
constexpr int kMethodHelpContextId = 300;
// The text id of "Also find rotated and mirrored copies".
constexpr int kRotationsTextId = 1942;

QLabel *captionLabel(int textId, QWidget *parent)
{
    auto *label = new QLabel(Text(textId), parent);
    SetTextIds(label, textId);
    return label;
}

}  // namespace

NarrationSettingsTab::NarrationSettingsTab(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("picTabWindow2"));
    m_fraNSMethod = new QGroupBox(this);
    m_fraNSMethod->setObjectName(QStringLiteral("fraNSMethod"));
    auto *methodLayout = new QVBoxLayout(m_fraNSMethod);
    auto *columns = new QHBoxLayout;
    methodLayout->addLayout(columns);
    // One button group over both containers: a container alone would keep
    // one button of its own three selected.
    m_methods = new QButtonGroup(this);
    m_methods->setExclusive(true);
    for (int container = 0; container < 2; ++container) {
        auto *box = new QWidget(m_fraNSMethod);
        box->setObjectName(QStringLiteral("picNSSelect%1").arg(container));
        auto *layout = new QVBoxLayout(box);
        QLabel *heading = captionLabel(container == 0 ? 602 : 603, box);
        heading->setObjectName(QStringLiteral("lblInfo%1").arg(container == 0 ? 2 : 5));
        QFont bold = heading->font();
        bold.setBold(true);
        heading->setFont(bold);
        layout->addWidget(heading);
        // The signature methods, the perceptual one last; the quick checks.
        const std::vector<int> indexes
            = container == 0 ? std::vector<int> { 0, 1, 2, 6 } : std::vector<int> { 3, 4, 5 };
        for (const int index : indexes) {
            const MethodPreset &preset = PresetOf(index);
            auto *button = new QRadioButton(Text(preset.captionId), box);
            button->setObjectName(QStringLiteral("optMethod%1").arg(index));
            SetTextIds(button, preset.captionId);
            button->setToolTip(Text(preset.descriptionId));
            button->setProperty("vexaHelpContextId", kMethodHelpContextId);
            m_methods->addButton(button, index);
            m_optMethod[std::size_t(index)] = button;
            layout->addWidget(button);
        }
        if (container == 0) {
            // The rotations box goes right under the perceptual button.
            QMargins margins = layout->contentsMargins();
            margins.setBottom(0);
            layout->setContentsMargins(margins);
        }
        layout->addStretch(1);
        m_picNSSelect[std::size_t(container)] = box;
        columns->addWidget(box);
    }
    // Belongs to the perceptual button above it and is indented to its text,
    // but spans both columns: the Dutch text is wider than the column.
    m_chkRotations = new QCheckBox(Text(kRotationsTextId), m_fraNSMethod);
    m_chkRotations->setObjectName(QStringLiteral("chkRotations"));
    SetTextIds(m_chkRotations, kRotationsTextId);
    m_chkRotations->setChecked(kDefaultFindRotatedCopies);
    connect(m_chkRotations, &QCheckBox::clicked, this, [](bool on) { SaveFindRotatedCopies(on); });
    const int indent = m_picNSSelect[0]->layout()->contentsMargins().left()
        + style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth)
        + style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(indent, 0, 0, 0);
    row->addWidget(m_chkRotations);
    methodLayout->addLayout(row);
    connect(m_methods, &QButtonGroup::idClicked, this, &NarrationSettingsTab::MethodClick);

    m_fraNSInfo = new QGroupBox(Text(650), this);
    m_fraNSInfo->setObjectName(QStringLiteral("fraNSInfo"));
    SetTextIds(m_fraNSInfo, 650);
    auto *infoLayout = new QVBoxLayout(m_fraNSInfo);
    m_lblNarInfo = new QLabel(m_fraNSInfo);
    m_lblNarInfo->setObjectName(QStringLiteral("lblNarInfo"));
    m_lblNarInfo->setWordWrap(true);
    m_lblNarInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    infoLayout->addWidget(m_lblNarInfo);

    m_fraNSTollerance = new QGroupBox(this);
    m_fraNSTollerance->setObjectName(QStringLiteral("fraNSTollerance"));
    auto *toleranceLayout = new QGridLayout(m_fraNSTollerance);
    QLabel *caption = captionLabel(601, m_fraNSTollerance);
    caption->setObjectName(QStringLiteral("Label1"));
    m_lblTollerance = new QLabel(m_fraNSTollerance);
    m_lblTollerance->setObjectName(QStringLiteral("lblTollerance"));
    m_lblTollerance->setMinimumWidth(
        m_lblTollerance->fontMetrics().horizontalAdvance(QStringLiteral("000")));
    m_slider = new QSlider(Qt::Horizontal, m_fraNSTollerance);
    m_slider->setObjectName(QStringLiteral("sldTollerance"));
    m_slider->setRange(kSliderMinimum, kSliderMaximum);
    m_slider->setPageStep(kSliderLargeChange);
    m_slider->setSingleStep(kSliderSmallChange);
    m_slider->setTickPosition(QSlider::TicksBelow);
    m_slider->setTickInterval(1);
    m_slider->setToolTip(Text(1007));
    SetTextIds(m_slider, 0, 1007);
    toleranceLayout->addWidget(caption, 0, 0);
    toleranceLayout->addWidget(m_lblTollerance, 0, 1);
    toleranceLayout->addWidget(m_slider, 1, 0, 1, 2);
    // Change, click and scroll all come here.
    connect(m_slider, &QSlider::valueChanged, this, &NarrationSettingsTab::sliderUpdate);

    // Smaller than its frames need (the window at its smallest size, the
    // longer Dutch texts), the tab scrolls rather than squeeze the frames
    // into each other; larger, the information frame takes the room.
    auto *contents = new QWidget;
    contents->setObjectName(QStringLiteral("picNSContents"));
    auto *layout = new QVBoxLayout(contents);
    layout->addWidget(m_fraNSMethod);
    layout->addWidget(m_fraNSInfo, 1);
    layout->addWidget(m_fraNSTollerance);
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("scrNSContents"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(contents);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(scroll);

    sliderUpdate();
    SelectMethod(kDefaultMethod);
}

void NarrationSettingsTab::MethodClick(int index)
{
    if (m_lastMethod != index && m_lastMethod >= 0 && m_lastMethod < kMethodCount) {
        QRadioButton *last = m_optMethod[std::size_t(m_lastMethod)];
        // Only the button group keeps the six exclusive; clearing the old one
        // by hand needs the group's rule lifted for that moment.
        m_methods->setExclusive(false);
        last->setChecked(false);
        m_methods->setExclusive(true);
    }
    if (index >= 0 && index < kMethodCount) {
        const MethodPreset &preset = PresetOf(index);
        m_optMethod[std::size_t(index)]->setChecked(true);
        m_slider->setValue(preset.slider);
        m_lblNarInfo->setText(Text(preset.descriptionId));
        m_slider->setEnabled(preset.sliderEnabled);
        m_chkRotations->setEnabled(index == int(NarrationMethod::Perceptual));
    }
    m_lastMethod = index;
}

void NarrationSettingsTab::SelectMethod(int index)
{
    if (index >= 0 && index < kMethodCount)
        m_optMethod[std::size_t(index)]->setChecked(true);
    MethodClick(index);
}

int NarrationSettingsTab::comparisonMethod() const
{
    for (int i = 0; i < kMethodCount; ++i) {
        if (m_optMethod[std::size_t(i)]->isChecked())
            return i;
    }
    return 0;
}

std::int16_t NarrationSettingsTab::toleranceLevel() const
{
    return ToleranceLevel(m_slider->value());
}

int NarrationSettingsTab::sliderValue() const
{
    return m_slider->value();
}

void NarrationSettingsTab::setSliderValue(int value)
{
    m_slider->setValue(value);
}

bool NarrationSettingsTab::findRotatedCopies() const
{
    return m_chkRotations->isChecked();
}

void NarrationSettingsTab::LoadSettings()
{
    m_chkRotations->setChecked(ReadFindRotatedCopies());
}

void NarrationSettingsTab::sliderUpdate()
{
    m_lblTollerance->setText(QString::number(m_slider->value()));
}

}  // namespace vexa
