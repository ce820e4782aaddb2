#pragma once

#include "gather/gatherengine.h"

#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

namespace vexa {

class FeatureHost;

// What the gathering run reads from and asks of the image-database tab.
struct GatherHost {
    std::function<std::int32_t()> collectionId;  // item data of the selected cboCollection entry
    std::function<QList<GatherDirectory>()> directories;  // lstvDirectories, in list order
    std::function<void()> countSelection;  // recounts the ticked directories, re-enables commands
    std::function<void(bool)> fillDirectoryList;  // FillDirectoryList
    // Optional: the entry at a list index is being walked (bold, sub-item
    // "...") or is done (plain, sub-item = the final position).
    std::function<void(int index, bool walking, const QString &subItem)> markDirectory;
};

// Makes "mnuGather" (menu and GATHER button) run GatherCollection.
void InstallGathering(FeatureHost &window, GatherHost host);

// The collection gathering run of the window: running state, the gathering
// panel with counters, file, estimate and errors, the engine over the ticked
// directories, then the summary message that offers the log when a file
// could not be loaded. Interface thread only.
void GatherCollection(FeatureHost &window, const GatherHost &host, int threads = 0);

}  // namespace vexa
