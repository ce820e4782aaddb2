// main() for test binaries of vexa_core: a QCoreApplication for Qt's file,
// locale and event services.
#include <QCoreApplication>

#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char **argv)
{
    // Thumbnails the tests make go to a cache of their own, never the
    // user's; a test that examines the cache points this elsewhere itself.
    QTemporaryDir cache;
    qputenv("XDG_CACHE_HOME", cache.path().toLocal8Bit());
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
