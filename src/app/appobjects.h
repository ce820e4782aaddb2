#pragma once

// Duplicates() and Binaries(), the application's duplicate and binary sets,
// live with their classes so that the features below the program's assembly
// can reach them.
#include "narration/duplicateset.h"
#include "review/binaryset.h"

namespace vexa {

// The application-wide objects, created at start-up and released at shutdown.
// Interface thread only.

// Creates a new duplicate set and binary set (replacing earlier ones).
void CreateApplicationObjects();
// Releases the duplicate set, then the binary set.
void ReleaseApplicationObjects();

// Undoes the start-up: application objects, database (record sets first).
// The main window reference is released by its owner afterwards.
void TerminateApplication();

}  // namespace vexa
