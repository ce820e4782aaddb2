#pragma once

#include "gather/gatherengine.h"
#include "support/qtprinters.h"
#include "support/recordingobserver.h"
#include "support/tempdatadir.h"

#include <QImage>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QVariant>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

namespace vexa::test {

// A fresh program directory with a database, a collection "Photos" and a
// tree of image directories made by the test.
class GatherFixture : public ::testing::Test {
public:
    // Writes a picture that differs per seed (gradient plus blocks).
    static void writeImage(const QString &path, int seed, int width = 96, int height = 72,
        const char *format = nullptr);

protected:
    void SetUp() override;
    void TearDown() override;

    // A directory under the image root, registered in the collection.
    QString addDirectory(const QString &name, bool ticked = true);
    // Runs the engine over m_directories; m_last gets its counters.
    RunOutcome gather(RecordingObserver &observer, int threads = 1, DecodeFunction decode = {},
        int reportIntervalMs = kReportIntervalMs);

    // Every FileData row, all columns, in ID order.
    static QList<QVariantList> allRows();
    static QStringList storedNames(std::int64_t itemId = -1);
    QString logText() const;

    std::unique_ptr<TempDataDir> m_data;
    QTemporaryDir m_images;
    std::int32_t m_collectionId = 0;
    QList<GatherDirectory> m_directories;
    GatherCounters m_last;
};

}  // namespace vexa::test
