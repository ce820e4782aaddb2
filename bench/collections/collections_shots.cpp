// collections_shots OUTDIR: the image-database tab of the whole main window
// in English and Dutch, taken of the X screen with ImageMagick's import: the
// directory list of a collection, the name entry, and the pop-up menu. Run
// under
//   xvfb-run -a -s "-screen 0 1024x768x24" collections_shots OUTDIR
#include "app/appobjects.h"
#include "app/modules.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/texts.h"
#include "collections/collectionstab.h"
#include "db/appdatabase.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "db/settings.h"
#include "ui/mainwindow.h"

#include "screenshots.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QImage>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTreeWidget>

using namespace vexa;
using namespace vexa::shots;

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const shots::Session session(app, argc, argv);
    if (!session.ok())
        return 1;
    const QString &out = session.out();
    const QTemporaryDir &temp = session.temp();

    // A small photo tree: a few directories with real images, one without.
    const QString root = temp.filePath(QStringLiteral("Photos"));
    const char *dirs[] = { "2019 Zeeland", "2020 Ardennen", "2021 Família", "2022 Scans/oud",
        "2022 Scans/nieuw", "Telefoon/Camera" };
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 180));
    int n = 0;
    for (const char *dir : dirs) {
        const QString path = root + QLatin1Char('/') + QString::fromUtf8(dir);
        QDir().mkpath(path);
        for (int i = 0; i <= n; ++i)
            image.save(QStringLiteral("%1/IMG_%2.JPG").arg(path).arg(i, 4, 10, QLatin1Char('0')));
        ++n;
    }
    AddNewCollectionToDB(QStringLiteral("Vakantie"));
    AddNewCollectionToDB(QStringLiteral("Holiday photos"));
    const std::int32_t collection = FindCollectionId(QStringLiteral("Holiday photos"));
    int images = 3;
    for (const char *dir : dirs) {
        QString path = root + QLatin1Char('/') + QString::fromUtf8(dir);
        const std::int64_t item = AddNewItemToCollection(collection, path);
        for (int i = 0; i < images; ++i)
            OpenDb().Execute(QStringLiteral("INSERT INTO FileData (CollectionID, ItemID, FileName) "
                                            "VALUES (%1, %2, 'f%3.jpg')")
                                 .arg(collection)
                                 .arg(item)
                                 .arg(i));
        images = images * 3 + 1;
    }
    SaveSystemSetting(QStringLiteral("LastOpenCollection"), collection);

    for (const int offset : { 0, 2000 }) {
        const QString lang = offset ? QStringLiteral("nl") : QStringLiteral("en");
        SaveSystemSetting(QStringLiteral("LangOffset"), offset);
        SetLangOffset(offset);
        MainWindow window;
        InstallModules(window);
        window.Load();
        window.setGeometry(0, 0, 1024, 740);
        window.show();
        settle(600);
        window.SelectTab(MainWindow::TabDatabase);
        auto *tab = window.findChild<CollectionsTab *>();
        QTreeWidget *list = tab->lstvDirectories();
        for (int i : { 0, 2, 3 })
            list->topLevelItem(i)->setCheckState(0, Qt::Checked);
        list->topLevelItem(1)->setSelected(true);
        tab->headerClicked(1);
        tab->headerClicked(1);
        settle(400);
        shoot(QStringLiteral("%1/collections_%2.png").arg(out, lang));

        const QPoint at = list->viewport()->mapToGlobal(QPoint(120, 60));
        QTimer::singleShot(300, [&] {
            tab->popupMenu()->popup(at);
            settle(300);
            tab->popupMenu()->setActiveAction(tab->popupMenu()->actions().value(1));
            tab->allItemsMenu()->popup(at + QPoint(tab->popupMenu()->width(), 20));
            settle(300);
            shoot(QStringLiteral("%1/collections_popup_%2.png").arg(out, lang));
            tab->allItemsMenu()->close();
            tab->popupMenu()->close();
        });
        settle(1200);

        tab->cmdCollection(0)->click();
        tab->txtCollection()->setText(QStringLiteral("Nieuwe collectie"));
        settle(400);
        shoot(QStringLiteral("%1/collections_entry_%2.png").arg(out, lang));
        tab->cmdCollection(1)->click();
        settle(200);
    }
    ReleaseApplicationObjects();
    CloseApplicationDatabase();
    return 0;
}
