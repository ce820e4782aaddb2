#pragma once

namespace vexa {

class DuplicateViewer;
class FeatureHost;

// Puts the duplicate viewer into the window's Duplicates tab and makes the
// window's duplicate commands work: "DuplicateSave", "DuplicateLoad",
// "DuplicateClear" (menu and toolbar), the duplicate counters behind the
// command states and the tab refusal, the viewer's keys, preparing the view
// when the tab is entered and freeing the thumbnails when it is left.
// Returns the viewer, owned by the window. Call once, before Load.
DuplicateViewer *InstallReview(FeatureHost &window);

// The window's duplicate commands, also reachable by name through
// the window.
void SaveDuplicatesCommand(FeatureHost &window);
void LoadDuplicatesCommand(FeatureHost &window);
void ClearDuplicatesCommand(FeatureHost &window);
// cmdBinaryCompare ("IntelligentAutodelete"): the autodelete run over the
// current set with the window's progress bar, its report (780-783), a
// message naming files it refused to remove, and the pruned set shown again.
void IntelligentAutodeleteCommand(FeatureHost &window);
// cmdKeepBestAll: keep-best plans of every group with the window's progress
// bar, handed to the viewer.
void KeepBestEveryGroupCommand(FeatureHost &window);

}  // namespace vexa
