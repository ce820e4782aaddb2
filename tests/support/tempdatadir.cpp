#include "support/tempdatadir.h"

#include "base/diskpath.h"
#include "base/environment.h"
#include "base/texts.h"
#include "db/lifecycle.h"

#include <gtest/gtest.h>

#include <ftw.h>
#include <unistd.h>

namespace vexa::test {

TempDataDir::TempDataDir(bool openDatabase)
{
    SetProgramDirectory(m_dir.path());
    SetInstallDirectory(QString());
    SetLangOffset(0);
    if (openDatabase) {
        EXPECT_TRUE(OpenApplicationDatabase()) << "could not open a fresh database";
    }
}

TempDataDir::~TempDataDir()
{
    CloseApplicationDatabase();
    RemoveTreeOnDisk(m_dir.path());
}

void RemoveTreeOnDisk(const QString &path)
{
    nftw(
        NameToDisk(path).constData(),
        [](const char *entry, const struct stat *, int type, struct FTW *) {
            if (type == FTW_DP)
                rmdir(entry);
            else
                unlink(entry);
            return 0;
        },
        16, FTW_DEPTH | FTW_PHYS);
}

}  // namespace vexa::test
