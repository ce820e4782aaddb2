// delete_shots OUTDIR: the main window in English and Dutch around a delete:
// a group before and after the Delete key removed one tile's file, the rename
// question, and the Intelligent Autodelete report, with the program's real
// message boxes. Deleted files go to a trash inside a temporary HOME. Run
// under
//   xvfb-run -a -s "-screen 0 1024x768x24" delete_shots OUTDIR
#include "app/appobjects.h"
#include "app/resources.h"
#include "base/environment.h"
#include "base/qtmessages.h"
#include "base/texts.h"
#include "db/appdatabase.h"
#include "db/imagefileinfo.h"
#include "db/lifecycle.h"
#include "db/records.h"
#include "db/settings.h"
#include "narration/duplicateset.h"
#include "review/duplicateviewer.h"
#include "review/previewtile.h"
#include "review/reviewinstall.h"
#include "ui/mainwindow.h"

#include "benchrecords.h"
#include "screenshots.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLibraryInfo>
#include <QLinearGradient>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QTranslator>

using namespace vexa;
using namespace vexa::shots;

namespace {

// Photographs the next modal dialog and closes it (rejected).
void shootNextDialog(const QString &file)
{
    QTimer::singleShot(800, [file] {
        shoot(file);
        if (auto *dialog = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            dialog->reject();
    });
}

}  // namespace

int main(int argc, char **argv)
{
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toLocal8Bit());
    QApplication app(argc, argv);
    InitialiseResources();
    QtMessages messages;
    SetMessageSeam(&messages);
    const QString out = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("/tmp");
    QDir().mkpath(out);
    const QScreen *screen = app.primaryScreen();
    InitialiseEnvironment(screen->logicalDotsPerInchX(), screen->logicalDotsPerInchY());

    for (const int offset : { 0, 2000 }) {
        const QString lang = offset ? QStringLiteral("nl") : QStringLiteral("en");
        QTemporaryDir temp;
        SetProgramDirectory(temp.path());
        if (!OpenApplicationDatabase())
            return 1;
        CreateApplicationObjects();
        SaveSystemSetting(QStringLiteral("LangOffset"), offset);
        SetLangOffset(offset);
        QTranslator qtTexts;
        if (offset
            && qtTexts.load(QLocale(QLocale::Dutch, QLocale::Netherlands), QStringLiteral("qtbase"),
                QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
            QCoreApplication::installTranslator(&qtTexts);

        const QString dir = temp.filePath(QStringLiteral("Holiday photos"));
        QDir().mkpath(dir);
        AddNewCollectionToDB(QStringLiteral("Shots"));
        const std::int32_t collection = FindCollectionId(QStringLiteral("Shots"));
        QString path = dir;
        const std::int64_t item = AddNewItemToCollection(collection, path);
        const QImage beach = picture(1600, 1000, QColor(30, 60, 140), QColor(240, 140, 60));
        beach.save(dir + QStringLiteral("/beach.jpg"));
        QFile::copy(dir + QStringLiteral("/beach.jpg"), dir + QStringLiteral("/beach (1).jpg"));
        QFile::copy(dir + QStringLiteral("/beach.jpg"), dir + QStringLiteral("/holiday-beach.jpg"));
        picture(1600, 1000, QColor(30, 60, 140), QColor(250, 160, 70))
            .save(dir + QStringLiteral("/IMG_0042.JPG"));
        picture(900, 1500, QColor(90, 40, 30), QColor(200, 180, 150))
            .save(dir + QStringLiteral("/grandmother.jpg"));
        const std::int32_t source
            = StoreBenchRecord(dir, QStringLiteral("beach.jpg"), collection, item, 1600, 1000);
        QList<std::int32_t> ids;
        for (const char *name : { "beach (1).jpg", "holiday-beach.jpg", "IMG_0042.JPG" })
            ids.append(
                StoreBenchRecord(dir, QString::fromLatin1(name), collection, item, 1600, 1000));
        ids.append(
            StoreBenchRecord(dir, QStringLiteral("grandmother.jpg"), collection, item, 900, 1500));

        MainWindow window;
        DuplicateViewer *viewer = InstallReview(window);
        window.Load();
        window.setGeometry(0, 0, 1024, 740);
        window.show();
        settle(600);
        Duplicates()->Add(ids, source, 0, QString());
        window.SetCommandStates(false);
        window.SelectTab(MainWindow::TabDuplicates);
        settle(1500);
        viewer->SelectThumb(4);
        settle(300);
        shoot(QStringLiteral("%1/delete_before_%2.png").arg(out, lang));
        viewer->DeleteSelectedThumbs();
        settle(500);
        shoot(QStringLiteral("%1/delete_after_%2.png").arg(out, lang));

        viewer->SelectThumb(3);
        shootNextDialog(QStringLiteral("%1/rename_question_%2.png").arg(out, lang));
        viewer->RenameSelectedThumbs();

        shootNextDialog(QStringLiteral("%1/autodelete_report_%2.png").arg(out, lang));
        window.runCommand(QStringLiteral("IntelligentAutodelete"));
        settle(1500);
        shoot(QStringLiteral("%1/autodelete_after_%2.png").arg(out, lang));
        window.SelectTab(MainWindow::TabDatabase);
        QCoreApplication::removeTranslator(&qtTexts);
        ReleaseApplicationObjects();
        CloseApplicationDatabase();
    }
    SetMessageSeam(nullptr);
    return 0;
}
