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

// The executable's directory when it is writable and the program is not
// installed, otherwise the per-user data directory (created when missing).
// An installed program never writes beside its executable, even when it
// may (root, a prefix in the home directory).
QString ResolveDataDirectory(const QString &executableDir);

// PREFIX/share/vexa for an executable in PREFIX/bin installed with its
// read-only files (the template TPL_VEXA.MDB); empty for a build tree.
QString InstalledFilesDirectory(const QString &executableDir);
// Where the template is read from: the installed files' directory, or the
// executable's own in a build tree.
QString ResolveInstallDirectory(const QString &executableDir);

// The directory the template TPL_VEXA.MDB is installed in (share/vexa, or
// beside the executable in a build tree); empty when unknown.
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
