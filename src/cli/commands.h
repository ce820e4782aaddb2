#pragma once

#include "cli/cli.h"

namespace vexa::cli {

// One function per command word; each lives in cli_<word>.cpp.

// signature FILE...: one JSON line per file; nonzero exit when one failed.
int RunSignature(const Invocation &invocation);
// compare A B [--method 0-2] [--slider 0-24]: one JSON line per method.
int RunCompare(const Invocation &invocation);

}  // namespace vexa::cli
