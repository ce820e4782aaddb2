#pragma once

#include "cli/cli.h"

namespace vexa::cli {

// One function per command word; each lives in cli_<word>.cpp.

// signature FILE...: one JSON line per file; nonzero exit when one failed.
int RunSignature(const Invocation &invocation);
// compare A B [--method 0-2] [--slider 0-24]: one JSON line per method.
int RunCompare(const Invocation &invocation);
// collection add|delete|list [NAME]
int RunCollection(const Invocation &invocation);
// dir add|delete|list COLLECTION [PATH...]
int RunDir(const Invocation &invocation);
// stats: the five lines of the statistics view.
int RunStats(const Invocation &invocation);
// narrate COLLECTION [--method 0-6] [--slider 0-24] [--dir PATH]... [--json] [--reference]
int RunNarrate(const Invocation &invocation);
// duplicates list [--json] | clear: the saved duplicate set; ignore A B [--id] |
// ignored [--json] | unignore A B [--id]: pairs remembered as not duplicates;
// select [--rule KEYS] [--prefer DIR] [--json] [--apply]: keep-best.
int RunDuplicates(const Invocation &invocation);
// gather COLLECTION [--threads N] [--dir PATH]...: the gathering run.
int RunGather(const Invocation &invocation);
// autodelete [--dry-run] [--json]: the Intelligent Autodelete on the saved set.
int RunAutodelete(const Invocation &invocation);
// check PATH... [--json] [--method M] [--slider S]: exit 3 when duplicates were found.
int RunCheck(const Invocation &invocation);
// watch DIR [--json] [--method M] [--slider S]: until Ctrl-C (exit 130).
int RunWatch(const Invocation &invocation);

}  // namespace vexa::cli
