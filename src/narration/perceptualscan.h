#pragma once

#include "narration/narrationscan.h"
#include "signature/perceptualhash.h"

#include <memory>
#include <vector>

namespace vexa {

// The records' perceptual signatures in record order (0 where there is none).
std::vector<PerceptualHash> PerceptualHashesOf(const std::vector<NarrationRecord> &records);

// The perceptual method's fast scan: the perceptual index gives each source
// every later record within the tolerance, and the scan keeps the ones the
// run may take.
std::unique_ptr<NarrationScan> MakePerceptualScan(
    std::vector<NarrationRecord> records, int method, int toleranceLevel, bool anyOrientation);

}  // namespace vexa
