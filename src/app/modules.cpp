#include "app/modules.h"

#include "collections/collectionstab.h"
#include "monitor/monitorrun_ui.h"
#include "review/reviewinstall.h"
#include "ui/diskviewer.h"
#include "ui/mainwindow.h"
#include "ui/programdialogs.h"

namespace vexa {

void InstallModules(MainWindow &window)
{
    // Each module adds one call here (keep the order: the collections tab
    // first, because gathering and narration read its selection).
    InstallCollections(window);
    InstallReview(window);
    InstallMonitor(window);
    InstallDiskViewer(window);
    InstallProgramDialogs(window);
}

}  // namespace vexa
