#pragma once

#include "base/run.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace vexa {

// What a worker makes of one file: the image control's answer and the
// signature of the sampling surface. Pure data, made off the interface
// thread.
struct DecodedImage {
    bool loaded = false;  // the file decoded
    bool sampled = false;  // the signature was computed
    std::int64_t fileSize = 0;  // bytes; the column holds 64 bits
    std::int16_t width = 0;
    std::int16_t height = 0;
    std::array<std::int32_t, 3> average {};  // red, green, blue
    std::array<std::array<std::int32_t, 3>, 4> quadrants {};  // quadrant 0..3
    QByteArray pattern;  // 64 characters "0"/"1"
    std::uint64_t perceptual = 0;  // PerceptualHashOfPicture of the same picture
    QString sampleError;  // why sampling failed, reported on the owner thread
    QString loadError;  // why the file did not load ("Premature end of JPEG file")
};

// Decodes and samples one file; must be safe to call on several threads at
// once.
using DecodeFunction = std::function<DecodedImage(const QString &path)>;
// The signature module's loader and sampler (reduced JPEG decode).
DecodedImage DecodeForGathering(const QString &path);

// One entry of the directory list, in list order.
struct GatherDirectory {
    QString key;  // "K" + ItemID in eight digits
    QString path;  // as shown in the list
    bool ticked = false;
};

// A ticked directory the run could not walk, and why ("no such directory",
// "not a directory", "cannot be read").
struct PassedOverDirectory {
    QString path;
    QString reason;
};

struct GatherCounters {
    std::int32_t errors = 0;
    std::int32_t processed = 0;  // file positions handled, skipped or not
    std::int32_t skipped = 0;  // files that already had a record
    std::int32_t directoriesDone = 0;
    std::int32_t stored = 0;  // records written (new or rewritten) and committed by this run
    std::int32_t totalImages = 0;  // image files in the ticked, existing directories
};

struct GatherOptions {
    std::int32_t collectionId = 0;
    QList<GatherDirectory> directories;  // the directory list, in list order
    int threads = 0;  // 0: one per core; 1: decode on the calling thread
    QString pattern;  // empty: the image file pattern
    DecodeFunction decode;  // empty: DecodeForGathering
    int rowsPerTransaction = 256;
    int reportIntervalMs = kReportIntervalMs;
};

// The gathering run: counts the images of the ticked directories, writes the
// log header, for each ticked directory verifies its records and walks its
// files, and writes the log's end lines. Decoding runs on a pool of workers;
// records are stored, and every observer call made, on the calling thread in
// the order one thread would use, so the database gets the same rows in the
// same order whatever the thread count. Records are committed a few hundred
// at a time; a killed run loses at most the uncommitted ones, which a rerun
// stores. Reports: total and done are files, found the records stored,
// errors the files that did not load, part the directory's list index.
// Uses the application database; calling thread only.
class GatherEngine final : public LongRun {
public:
    explicit GatherEngine(GatherOptions options);
    ~GatherEngine() override;

    // Completed, Cancelled (the end lines are still written and everything
    // stored stays) or Failed (the log has no end lines).
    RunResult run(RunObserver &observer) override;

    const GatherCounters &counters() const { return m_counters; }
    // The ticked directories this run could not walk, in list order; each
    // was also told as a notice.
    const QList<PassedOverDirectory> &passedOver() const { return m_passedOver; }
    // Each file of this run that did not load, in run order, with the
    // loader's reason (each is also a notice "could not load PATH: REASON").
    struct LoadFailure {
        QString path;
        QString reason;
    };
    const QList<LoadFailure> &loadFailures() const { return m_loadFailures; }
    // Run time in milliseconds with the counting and verification left out.
    qint64 elapsedMs() const;

    // The worker count for a threads option (0: one per core).
    static int ResolveThreads(int threads);

private:
    RunResult walk(RunReporter &reporter);

    GatherOptions m_options;
    GatherCounters m_counters;
    QList<PassedOverDirectory> m_passedOver;
    QList<LoadFailure> m_loadFailures;
    qint64 m_startMs = 0;  // moved forward by the verification time
};

}  // namespace vexa
