#include "support/tempdatadir.h"

#include "base/environment.h"
#include "base/texts.h"
#include "db/lifecycle.h"

#include <gtest/gtest.h>

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
}

}  // namespace vexa::test
