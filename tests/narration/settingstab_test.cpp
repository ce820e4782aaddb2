// The Narration Settings tab: presets, descriptions, the seven exclusive
// option buttons in two containers, the slider and its label, and the
// rotations box of the perceptual method.
#include "base/texts.h"
#include "narration/narrationsettings.h"
#include "narration/narrationsettingstab.h"
#include "support/qtprinters.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

int checkedCount(const NarrationSettingsTab &tab)
{
    int checked = 0;
    for (int i = 0; i < kMethodCount; ++i)
        checked += tab.optMethod(i)->isChecked() ? 1 : 0;
    return checked;
}

TEST(NarrationSettingsTab, StartsWithBitmapPatternAtTwelve)
{
    NarrationSettingsTab tab;
    EXPECT_TRUE(tab.optMethod(2)->isChecked());
    EXPECT_EQ(checkedCount(tab), 1);
    EXPECT_EQ(tab.comparisonMethod(), 2);
    EXPECT_EQ(tab.sliderValue(), 12);
    EXPECT_EQ(tab.toleranceLevel(), 6);
    EXPECT_TRUE(tab.sldTollerance()->isEnabled());
    EXPECT_EQ(tab.lblTollerance()->text(), QStringLiteral("12"));
    EXPECT_EQ(tab.lblNarInfo()->text(), Text(103));
    EXPECT_EQ(tab.sldTollerance()->minimum(), 0);
    EXPECT_EQ(tab.sldTollerance()->maximum(), 24);
    EXPECT_EQ(tab.sldTollerance()->pageStep(), 5);
    EXPECT_EQ(tab.sldTollerance()->singleStep(), 1);
    EXPECT_EQ(tab.sldTollerance()->toolTip(), Text(1007));
    // Ticked at first, and only the perceptual method lets it be changed.
    EXPECT_TRUE(tab.findRotatedCopies());
    EXPECT_FALSE(tab.chkRotations()->isEnabled());
    EXPECT_EQ(tab.chkRotations()->text(), QStringLiteral("Also find rotated and mirrored copies"));
}

// Clicks as a user makes them, across the two containers and back.
TEST(NarrationSettingsTab, ClicksPresetTheSliderAndKeepOneButtonSelected)
{
    struct Row {
        int click;
        int slider;
        bool enabled;
        int description;
    };
    const Row rows[] = {
        { 3, 0, false, 106 },
        { 0, 4, true, 101 },
        { 1, 8, true, 102 },
        { 5, 0, false, 108 },
        { 4, 0, false, 107 },
        { 2, 12, true, 103 },
        { 2, 12, true, 103 },
        { 6, 12, true, 1941 },
        { 4, 0, false, 107 },
        { 6, 12, true, 1941 },
        { 0, 4, true, 101 },
    };
    NarrationSettingsTab tab;
    tab.show();
    for (const Row &row : rows) {
        tab.setSliderValue(17);  // set by hand: a method click overwrites it
        tab.optMethod(row.click)->click();  // as a mouse click or the space bar does
        const std::string name = "click " + std::to_string(row.click);
        EXPECT_TRUE(tab.optMethod(row.click)->isChecked()) << name;
        EXPECT_EQ(checkedCount(tab), 1) << name;
        EXPECT_EQ(tab.comparisonMethod(), row.click) << name;
        EXPECT_EQ(tab.sliderValue(), row.slider) << name;
        EXPECT_EQ(tab.sldTollerance()->isEnabled(), row.enabled) << name;
        EXPECT_EQ(tab.lblNarInfo()->text(), Text(row.description)) << name;
        EXPECT_EQ(tab.lblTollerance()->text(), QString::number(row.slider)) << name;
        EXPECT_EQ(tab.chkRotations()->isEnabled(), row.click == 6) << name;
    }
}

TEST(NarrationSettingsTab, ButtonsSitInTwoContainersWithTheirTexts)
{
    NarrationSettingsTab tab;
    // The perceptual method (6) sits with the signature methods.
    const int containers[kMethodCount] = { 0, 0, 0, 1, 1, 1, 0 };
    const int captions[kMethodCount] = { 400, 401, 402, 403, 404, 405, 1940 };
    for (int i = 0; i < kMethodCount; ++i) {
        EXPECT_EQ(tab.optMethod(i)->parentWidget(), tab.picNSSelect(containers[i])) << i;
        EXPECT_EQ(tab.optMethod(i)->toolTip(), Text(PresetOf(i).descriptionId)) << i;
        EXPECT_EQ(tab.optMethod(i)->text(), Text(captions[i])) << i;
    }
    EXPECT_EQ(tab.optMethod(6)->text(), QStringLiteral("Perceptual"));
    tab.optMethod(6)->click();
    EXPECT_EQ(tab.comparisonMethod(), 6);
    EXPECT_EQ(tab.sliderValue(), 12);
    EXPECT_TRUE(tab.sldTollerance()->isEnabled());
    // "&&" shows one ampersand in a caption.
    EXPECT_EQ(tab.optMethod(5)->text(), QStringLiteral("Filesize && dimensions"));
}

// At the panel's size in the smallest window and in a large one, in both
// languages, every text of the tab is shown whole (the tab scrolls rather
// than squeeze it), and the rotations box sits under the perceptual button,
// indented to its text.
TEST(NarrationSettingsTab, NothingIsClippedInEitherLanguage)
{
    for (const int offset : { 0, 2000 }) {
        SetLangOffset(offset);
        for (const QSize size : { QSize(560, 310), QSize(1010, 620) }) {
            NarrationSettingsTab tab;
            tab.resize(size);
            tab.show();
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&tab));
            tab.optMethod(6)->click();
            const std::string row = (offset ? "Dutch " : "English ") + std::to_string(size.width());
            for (QWidget *control : tab.findChildren<QWidget *>()) {
                if (!qobject_cast<QLabel *>(control) && !qobject_cast<QAbstractButton *>(control))
                    continue;
                EXPECT_GE(control->width(), control->minimumSizeHint().width())
                    << row << " " << control->objectName().toStdString();
                EXPECT_GE(control->height(), control->minimumSizeHint().height())
                    << row << " " << control->objectName().toStdString();
            }
            const QRect perceptual(
                tab.optMethod(6)->mapTo(&tab, QPoint()), tab.optMethod(6)->size());
            const QRect box(tab.chkRotations()->mapTo(&tab, QPoint()), tab.chkRotations()->size());
            EXPECT_GE(box.top(), perceptual.bottom()) << row;
            EXPECT_LT(box.top() - perceptual.bottom(), perceptual.height()) << row;
            EXPECT_GT(box.left(), perceptual.left()) << row;
        }
    }
    SetLangOffset(0);
}

TEST(NarrationSettingsTab, SliderLabelShowsTheValueNotTheLevel)
{
    NarrationSettingsTab tab;
    tab.show();
    tab.sldTollerance()->setFocus();
    tab.setSliderValue(7);
    EXPECT_EQ(tab.lblTollerance()->text(), QStringLiteral("7"));
    EXPECT_EQ(tab.toleranceLevel(), 4);
    QTest::keyClick(tab.sldTollerance(), Qt::Key_PageUp);
    EXPECT_EQ(tab.lblTollerance()->text(), QStringLiteral("12"));
    QTest::keyClick(tab.sldTollerance(), Qt::Key_Left);
    EXPECT_EQ(tab.lblTollerance()->text(), QStringLiteral("11"));
}

TEST(NarrationSettings, ToleranceLevelRoundsHalvesToEven)
{
    const std::pair<int, int> rows[] = { { 0, 0 }, { 1, 0 }, { 2, 1 }, { 3, 2 }, { 5, 2 }, { 7, 4 },
        { 12, 6 }, { 13, 6 }, { 23, 12 }, { 24, 12 } };
    for (const auto &[slider, level] : rows)
        EXPECT_EQ(ToleranceLevel(slider), level) << "slider " << slider;
    EXPECT_EQ(AverageTolerance(5), 2);
    EXPECT_EQ(AverageTolerance(7), 4);
    EXPECT_EQ(AverageTolerance(6), 3);
    EXPECT_FLOAT_EQ(SpeedFactor(6), 0.61f);
}

}  // namespace
