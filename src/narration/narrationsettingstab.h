#pragma once

#include "narration/narrationsettings.h"

#include <QWidget>

#include <array>
#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QRadioButton;
class QSlider;

namespace vexa {

// The Narration Settings tab: the comparison method (seven option buttons in
// two containers, exactly one selected) and the tolerance slider. Neither
// choice is stored: every start shows Bitmap pattern at 12. Under the
// perceptual method, "Also find rotated and mirrored copies" (chkRotations),
// enabled only while that method is chosen; this one choice is stored, at
// once when clicked. Interface thread only.
class NarrationSettingsTab : public QWidget {
    Q_OBJECT
public:
    explicit NarrationSettingsTab(QWidget *parent = nullptr);

    // Method click: unselects the method selected last, presets the slider,
    // shows the description and enables the slider as the method wants.
    void MethodClick(int index);
    // Selects a method as a click on its button does.
    void SelectMethod(int index);

    // The first selected method 0..6 (0 when none is).
    int comparisonMethod() const;
    // The slider value halved, halves to even.
    std::int16_t toleranceLevel() const;
    int sliderValue() const;
    void setSliderValue(int value);
    // Whether the perceptual method also finds turned and mirrored copies.
    bool findRotatedCopies() const;
    // Shows the stored choice; called when the window loads, once the
    // database is open.
    void LoadSettings();

    QRadioButton *optMethod(int index) const { return m_optMethod[std::size_t(index)]; }
    QSlider *sldTollerance() const { return m_slider; }
    QLabel *lblTollerance() const { return m_lblTollerance; }
    QLabel *lblNarInfo() const { return m_lblNarInfo; }
    QWidget *picNSSelect(int index) const { return m_picNSSelect[std::size_t(index)]; }
    QCheckBox *chkRotations() const { return m_chkRotations; }

private:
    void sliderUpdate();

    std::array<QRadioButton *, kMethodCount> m_optMethod {};
    std::array<QWidget *, 2> m_picNSSelect {};
    QButtonGroup *m_methods = nullptr;
    QGroupBox *m_fraNSMethod = nullptr;
    QGroupBox *m_fraNSInfo = nullptr;
    QGroupBox *m_fraNSTollerance = nullptr;
    QLabel *m_lblNarInfo = nullptr;
    QLabel *m_lblTollerance = nullptr;
    QSlider *m_slider = nullptr;
    QCheckBox *m_chkRotations = nullptr;
    int m_lastMethod = 0;
};

}  // namespace vexa
