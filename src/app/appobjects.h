#pragma once

// Duplicates(), the application's duplicate set, lives with its class so that
// the features below the program's assembly can reach it.
#include "narration/duplicateset.h"

namespace vexa {

class CBinaries;

// The application-wide objects, created at start-up and released at shutdown.
// Interface thread only.
CBinaries *Binaries();

// Creates a new duplicate set and binary set (replacing earlier ones).
void CreateApplicationObjects();
// Releases the duplicate set, then the binary set.
void ReleaseApplicationObjects();

// Undoes the start-up: application objects, database (record sets first).
// The main window reference is released by its owner afterwards.
void TerminateApplication();

}  // namespace vexa
