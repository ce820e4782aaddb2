#pragma once

#include "base/run.h"

#include <QString>

#include <cstdint>

namespace vexa {

// The time (ms) a run still needs, projected from the time it has taken so
// far (ms), the items done and the total; factor scales the projection for
// runs whose items get cheaper or dearer as they go. May be negative.
std::int64_t RemainingMs(
    std::int64_t elapsedMs, std::int64_t done, std::int64_t total, double factor);

// "Estimated time to completion: 2 hours and 5 minutes." for a RemainingMs.
QString EstimateText(std::int64_t remainingMs);

// "1 h :02 m :05 s" for 3,725,000 ms.
QString ElapsedText(std::int64_t ms);

// "07% Complete": the caption of a minimised window during a run.
QString PercentCompleteText(std::int64_t value, std::int64_t maximum);

// vexa-cli's progress line: "120/500 files  24%  31.5 files/s  0:13 left"
// (the rate and time once a second has passed; the run's own estimate when it
// has one, else one from the rate), "  2 errors" when some failed.
QString TerminalProgressLine(const RunProgress &progress, const QString &items, qint64 elapsedMs);

}  // namespace vexa
