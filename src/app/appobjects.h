#pragma once

namespace vexa {

class CBinaries;
class CDuplicates;

// The application-wide objects, created at start-up and released at shutdown.
// Interface thread only.
CDuplicates *Duplicates();
CBinaries *Binaries();

// Creates a new duplicate set and binary set (replacing earlier ones).
void CreateApplicationObjects();
// Releases the duplicate set, then the binary set.
void ReleaseApplicationObjects();

// Undoes the start-up: application objects, database (record sets first).
// The main window reference is released by its owner afterwards.
void TerminateApplication();

}  // namespace vexa
