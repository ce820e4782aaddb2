#pragma once

#include "cli/cli.h"

namespace vexa::cli {

// One function per command word; each lives in cli_<word>.cpp.

}  // namespace vexa::cli
