#pragma once

#include <cstdint>

namespace vexa {

// The comparison methods of the narration tab, by option button index.
enum class NarrationMethod {
    AverageRGB = 0,
    QuadrupleRGB = 1,
    BitmapPattern = 2,
    Filesize = 3,
    Dimensions = 4,
    FilesizeAndDimensions = 5,
    Perceptual = 6,  // the perceptual signature, any orientation
};
inline constexpr int kMethodCount = 7;

// What choosing a method does to the tab.
struct MethodPreset {
    int captionId;  // option button caption
    int descriptionId;  // lblNarInfo and the button's tool tip
    int slider;  // slider value the method presets
    bool sliderEnabled;
};

// Presets of method 0..6; an index outside gives the Bitmap pattern row.
const MethodPreset &PresetOf(int method);
// 0..2 and 6 compare signatures; 3..5 are the quick checks.
inline bool IsSignatureMethod(int method)
{
    return (method >= 0 && method <= 2) || method == int(NarrationMethod::Perceptual);
}

inline constexpr int kSliderMinimum = 0;
inline constexpr int kSliderMaximum = 24;
inline constexpr int kSliderLargeChange = 5;
inline constexpr int kSliderSmallChange = 1;
inline constexpr int kDefaultMethod = 2;  // Bitmap pattern, slider 12, on every start

// The slider value halved, halves to even: 12 -> 6, 5 -> 2, 7 -> 4, 3 -> 2.
std::int16_t ToleranceLevel(int sliderValue);
// What CompareAvgRGB receives: half the level, halves to even (5 -> 2, 7 -> 4).
std::int32_t AverageTolerance(int toleranceLevel);
// The time estimate's speed factor of the signature methods.
float SpeedFactor(int toleranceLevel);

}  // namespace vexa
