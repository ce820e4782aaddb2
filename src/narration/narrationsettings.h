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
    Perceptual = 6,  // the perceptual signature; turned copies too unless switched off
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

// "Also find rotated and mirrored copies": whether the perceptual method also
// matches a picture turned by a quarter, a half or three quarters, or
// mirrored. Kept in the Setting table as PerceptualRotations ("1" or "0"),
// so the window and vexa-cli share it; on when never stored or unreadable.
// Read and written on the thread that owns the application database.
inline constexpr bool kDefaultFindRotatedCopies = true;
bool ReadFindRotatedCopies();
// False when the database cannot be written (read-only); the choice then
// holds for this session only.
bool SaveFindRotatedCopies(bool on);

// The slider value halved, halves to even: 12 -> 6, 5 -> 2, 7 -> 4, 3 -> 2.
std::int16_t ToleranceLevel(int sliderValue);
// What CompareAvgRGB receives: half the level, halves to even (5 -> 2, 7 -> 4).
std::int32_t AverageTolerance(int toleranceLevel);
// The time estimate's speed factor of the signature methods.
float SpeedFactor(int toleranceLevel);

}  // namespace vexa
