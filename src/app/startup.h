#pragma once

#include "base/singlecopy.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <functional>
#include <memory>

class QTranslator;

namespace vexa {

// What the start-up sequence needs from the main window, so the sequence can
// be driven by tests with a window of their own.
struct StartupHooks {
    std::function<std::unique_ptr<QWidget>()> createMainWindow;  // the instance, not loaded
    std::function<void(QWidget *)> loadMainWindow;  // its load handler
};

// NewerDatabase: VEXA.MDB has a schema version above this program's; the
// user was told and the file left untouched.
enum class StartupOutcome { Started, AlreadyRunning, ConversionFailed, OpenFailed, NewerDatabase };

struct StartupResult {
    StartupOutcome outcome = StartupOutcome::OpenFailed;
    std::unique_ptr<QWidget> mainWindow;  // shown when Started
    std::unique_ptr<SingleCopyLock> lock;  // held for the life of the program
    QStringList progress;  // the splash's progress lines, in order
    QString setAsideAs;  // where an unusable database was moved
};

// The start-up sequence on the given program directory: single copy, splash,
// version check and conversion, compaction, open, language, environment,
// application objects, main window loaded, placed and shown. On a failure
// the user has been told, the database set aside, and the application
// terminated; the caller ends the process.
StartupResult RunStartup(const StartupHooks &hooks, const QString &programDirectory);

// Qt's own texts (the buttons of message boxes, file dialogs, context
// menus) in the program's language: for Dutch, Qt's Dutch translation from
// Debian's qt6-translations-l10n is installed into the application (the
// translator, owned by the application, is returned; nothing for English or
// without the package). The start-up sequence calls it after the language
// is known.
QTranslator *InstallQtTranslation();

// The main window's geometry on a screen: 10 % in from the top-left corner,
// 80 % of the width and height (computed in twips, rounded to pixels).
QRect MainWindowPlacement(const QRect &screen, int twipsPerPixelX, int twipsPerPixelY);

// The main window's size, position and maximised state as the user left
// it, stored in the database when the window closes (before the database is
// released); start-up restores it, and uses MainWindowPlacement only when
// nothing (or nothing usable) was stored.
void SaveMainWindowGeometry(const QWidget &window);

}  // namespace vexa
