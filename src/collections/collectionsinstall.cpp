#include "collections/collectionstab.h"

#include "narration/narrationrun_ui.h"
#include "ui/mainwindow.h"

#include <QVBoxLayout>

namespace vexa {

CollectionsTab *InstallCollections(MainWindow &window)
{
    QWidget *panel = window.tabPanel(MainWindow::TabDatabase);
    if (!panel->layout()) {
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    auto *tab = new CollectionsTab(&window, panel);
    panel->layout()->addWidget(tab);

    window.addLoadHook([tab] { tab->FillCollectionCombo(QString()); });
    window.addTabHook([tab](int current) {
        if (current == MainWindow::TabDatabase)
            tab->FillDirectoryList(true);
    });
    window.addReopenHook([tab] { tab->FillCollectionCombo(QString()); });

    NarrationHost narration;
    narration.collectionId = [tab] { return tab->collectionId(); };
    narration.directoryItems = [tab] { return tab->directoryItems(); };
    narration.countSelection = [tab] { tab->CountSelection(); };
    narration.fillDirectoryList = [tab](bool refreshOnly) { tab->FillDirectoryList(refreshOnly); };
    InstallNarration(window, std::move(narration));
    return tab;
}

}  // namespace vexa
