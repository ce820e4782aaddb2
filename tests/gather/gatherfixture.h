#pragma once

#include "gather/gatherengine.h"
#include "support/qtprinters.h"
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

// Remembers what the run told its front end.
class RecordingObserver : public GatherObserver {
public:
    void fileInfo(const QString &text) override { fileInfos.append(text); }
    void counters(std::int32_t position, std::int32_t fileCount, std::int32_t processed,
        std::int32_t total) override
    {
        counterCalls.append({ position, fileCount, processed, total });
    }
    void errorCount(std::int32_t errors) override { lastErrorCount = errors; }
    void sampleFailed(const QString &path, const QString &reason) override
    {
        sampleFailures.append(path);
    }
    bool isCancelled() const override
    {
        ++cancelChecks;
        return cancelAfter >= 0 && cancelChecks > cancelAfter;
    }

    struct Counters {
        std::int32_t position, fileCount, processed, total;
    };
    QStringList fileInfos;
    QList<Counters> counterCalls;
    QStringList sampleFailures;
    std::int32_t lastErrorCount = 0;
    int cancelAfter = -1;  // cancel once this many checks have passed
    mutable int cancelChecks = 0;
};

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
    RunOutcome gather(GatherObserver &observer, int threads = 1, DecodeFunction decode = {});
    std::int32_t countImages() const;

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
