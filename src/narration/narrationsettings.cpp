#include "narration/narrationsettings.h"

#include "base/rounding.h"
#include "db/settings.h"

namespace vexa {

namespace {

constexpr MethodPreset kPresets[kMethodCount] = {
    { 400, 101, 4, true },
    { 401, 102, 8, true },
    { 402, 103, 12, true },
    { 403, 106, 0, false },
    { 404, 107, 0, false },
    { 405, 108, 0, false },
    { 1940, 1941, 12, true },
};

constexpr char kFindRotatedSetting[] = "PerceptualRotations";

}  // namespace

bool ReadFindRotatedCopies()
{
    const QString value = ReadSetting(QLatin1String(kFindRotatedSetting));
    if (value == QLatin1String("0"))
        return false;
    if (value == QLatin1String("1"))
        return true;
    return kDefaultFindRotatedCopies;
}

bool SaveFindRotatedCopies(bool on)
{
    return WriteSetting(
        QLatin1String(kFindRotatedSetting), on ? QStringLiteral("1") : QStringLiteral("0"));
}

const MethodPreset &PresetOf(int method)
{
    if (method < 0 || method >= kMethodCount)
        return kPresets[kDefaultMethod];
    return kPresets[method];
}

std::int16_t ToleranceLevel(int sliderValue)
{
    return std::int16_t(DivRoundHalfEven(sliderValue, 2));
}

std::int32_t AverageTolerance(int toleranceLevel)
{
    return std::int32_t(DivRoundHalfEven(toleranceLevel, 2));
}

float SpeedFactor(int toleranceLevel)
{
    return float(toleranceLevel) / 100.0f + 0.55f;
}

}  // namespace vexa
