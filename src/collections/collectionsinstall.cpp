#include "collections/collectionstab.h"

#include "gather/gatherrun_ui.h"
#include "narration/narrationrun_ui.h"
#include "ui/featurehost.h"

#include <QFont>
#include <QTreeWidgetItem>
#include <QVBoxLayout>

namespace vexa {

CollectionsTab *InstallCollections(FeatureHost &window)
{
    QWidget *panel = window.tabPanel(FeatureHost::TabDatabase);
    if (!panel->layout()) {
        auto *layout = new QVBoxLayout(panel);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    auto *tab = new CollectionsTab(&window, panel);
    panel->layout()->addWidget(tab);

    window.addLoadHook([tab] { tab->FillCollectionCombo(QString()); });
    window.addTabHook([tab](int current) {
        if (current == FeatureHost::TabDatabase)
            tab->FillDirectoryList(true);
    });
    window.addReopenHook([tab] { tab->FillCollectionCombo(QString()); });

    NarrationHost narration;
    narration.collectionId = [tab] { return tab->collectionId(); };
    narration.directoryItems = [tab] { return tab->directoryItems(); };
    narration.countSelection = [tab] { tab->CountSelection(); };
    narration.fillDirectoryList = [tab](bool refreshOnly) { tab->FillDirectoryList(refreshOnly); };
    InstallNarration(window, std::move(narration));

    GatherHost gather;
    gather.collectionId = [tab] { return tab->collectionId(); };
    gather.directories = [tab] {
        QList<GatherDirectory> directories;
        QTreeWidget *list = tab->lstvDirectories();
        for (int i = 0; i < list->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = list->topLevelItem(i);
            directories.append({ item->data(0, Qt::UserRole).toString(), ItemPath(item),
                item->checkState(0) == Qt::Checked });
        }
        return directories;
    };
    gather.countSelection = [tab] { tab->CountSelection(); };
    gather.fillDirectoryList = [tab](bool refreshOnly) { tab->FillDirectoryList(refreshOnly); };
    gather.markDirectory = [tab](int index, bool walking, const QString &subItem) {
        QTreeWidgetItem *item = tab->lstvDirectories()->topLevelItem(index);
        if (!item)
            return;
        for (int column = 0; column < 2; ++column) {
            QFont font = item->font(column);
            font.setBold(walking);
            item->setFont(column, font);
        }
        item->setText(1, subItem);
    };
    InstallGathering(window, std::move(gather));
    return tab;
}

}  // namespace vexa
