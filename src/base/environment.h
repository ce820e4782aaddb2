#pragma once

#include <QString>

namespace vexa {

// The directory that holds VEXA.MDB, TPL_VEXA.MDB, VEXA.BAK, TEMP.MDB and
// VEXA_IG.LOG. Set once at start-up; tests point it at a temporary directory.
QString ProgramDirectory();
void SetProgramDirectory(const QString &dir);

// The program's private temporary directory, "tmp" in the program
// directory: the image decoder's disk pixel caches live there. Start-up,
// holding the single-copy lock, clears it of what a killed run left and
// points the decoder at it (SetDecoderTemporaryDirectory).
QString PrivateTemporaryDirectory();

// The executable's directory when it is writable, otherwise the per-user
// data directory (created when missing).
QString ResolveDataDirectory(const QString &executableDir);

// The directory the template TPL_VEXA.MDB is installed in (beside the
// executable); empty when unknown.
QString InstallDirectory();
void SetInstallDirectory(const QString &dir);

// Screen conversion factors, read once at start-up: 1440 / logical DPI.
struct Environment {
    int twipsPerPixelX = 15;
    int twipsPerPixelY = 15;
    bool isNT = true;  // Linux behaves as the NT family: no short names
};
const Environment &Env();
// twipsPerPixel from the screen's logical DPI, rounded half to even.
void InitialiseEnvironment(double logicalDpiX, double logicalDpiY);

}  // namespace vexa
