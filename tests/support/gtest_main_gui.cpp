// main() for test binaries that create widgets: a QApplication on the
// offscreen platform unless the caller chose one.
#include "app/resources.h"

#include <QApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Thumbnails the tests make go to a cache of their own, never the
    // user's; a test that examines the cache points this elsewhere itself.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    vexa::InitialiseResources();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
