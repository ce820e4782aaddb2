#pragma once

#include "db/selectionsql.h"

#include <QList>

#include <cstdint>
#include <functional>

namespace vexa {

class FeatureHost;
class NarrationSettingsTab;

// What the database narration reads from and asks of the image-database tab.
struct NarrationHost {
    std::function<std::int32_t()> collectionId;  // item data of the selected cboCollection entry
    std::function<QList<DirectoryListItem>()> directoryItems;  // lstvDirectories, in list order
    std::function<void()> countSelection;  // recounts the ticked directories, re-enables commands
    std::function<void(bool)> fillDirectoryList;  // FillDirectoryList
};

// Puts the Narration Settings tab into the window's third panel and makes
// "mnuNarration" (menu and NARRATE button) run NarrateDatabase. Returns the
// tab, owned by the window.
NarrationSettingsTab *InstallNarration(FeatureHost &window, NarrationHost host);

// The database narration run of the window: enters the running state, shows
// the narration panel, runs the engine with the tab's method and tolerance
// over the ticked directories, reports completion and shows the Duplicates
// tab (the first tab after an error). Interface thread only.
void NarrateDatabase(
    FeatureHost &window, NarrationSettingsTab &settings, const NarrationHost &host);

}  // namespace vexa
