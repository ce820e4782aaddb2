// The engine's side of the run interface: started and finished exactly once,
// reports throttled, failures turned into results.
#include "base/errors.h"
#include "base/run.h"
#include "support/recordingobserver.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace vexa;

namespace {

TEST(RunReporter, StartsAndFinishesOnceWhateverTheEngineCalls)
{
    test::RecordingObserver observer;
    {
        RunReporter reporter(observer, 0);
        reporter.progress().total = 3;
        reporter.start();
        reporter.start();
        reporter.progress().done = 3;
        const RunResult result = reporter.finish({ RunOutcome::Cancelled });
        EXPECT_EQ(result.outcome, RunOutcome::Cancelled);
        reporter.finish({});
    }
    EXPECT_EQ(observer.startedCount, 1);
    EXPECT_EQ(observer.finishedCount, 1);
    EXPECT_FALSE(observer.outOfOrder);
    EXPECT_EQ(observer.first.total, 3);
    EXPECT_EQ(observer.last.done, 3) << "the final report has the final figures";
    EXPECT_EQ(observer.result.outcome, RunOutcome::Cancelled);

    // An engine left by an exception still ends its run, as failed; one that
    // never started reports nothing.
    test::RecordingObserver thrown;
    try {
        RunReporter reporter(thrown);
        reporter.start();
        throw std::runtime_error("disk gone");
    } catch (const std::exception &) {
    }
    EXPECT_EQ(thrown.finishedCount, 1);
    EXPECT_EQ(thrown.result.outcome, RunOutcome::Failed);
    test::RecordingObserver idle;
    {
        RunReporter reporter(idle);
    }
    EXPECT_EQ(idle.startedCount + idle.finishedCount, 0);
}

TEST(RunReporter, ThrottlesReportsButNotTheOnesThatMustBeSeen)
{
    struct Row {
        const char *name;
        int intervalMs;
        int expectedReports;
    };
    for (const Row row :
        { Row { "every call", 0, 1000 + 2 }, Row { "an hour apart", 3600000, 2 } }) {
        test::RecordingObserver observer;
        RunReporter reporter(observer, row.intervalMs);
        reporter.start();
        reporter.reportNow();  // a part began
        for (int i = 0; i < 1000; ++i) {
            reporter.progress().done = i + 1;
            reporter.report();
        }
        reporter.reportNow();  // a part ended
        reporter.finish({});
        EXPECT_EQ(observer.reports.size(), row.expectedReports) << row.name;
        EXPECT_EQ(observer.reports.last().done, 1000) << row.name;
        EXPECT_EQ(observer.finishedCount, 1) << row.name;
    }
}

TEST(RunReporter, CancelIsReadFromTheObserver)
{
    test::RecordingObserver observer;
    observer.cancelAfter = 2;
    RunReporter reporter(observer);
    EXPECT_FALSE(reporter.cancelled());
    EXPECT_FALSE(reporter.cancelled());
    EXPECT_TRUE(reporter.cancelled());
}

TEST(RunResult, FailuresCarryTheNumberAndTextTheMessageShows)
{
    const RunResult fromVexa
        = RunResult::failed(VexaError(3021, QStringLiteral("No current record.")));
    EXPECT_EQ(fromVexa.outcome, RunOutcome::Failed);
    EXPECT_EQ(fromVexa.errorNumber, 3021);
    EXPECT_EQ(fromVexa.error, QStringLiteral("No current record."));
    const RunResult fromStd = RunResult::failed(std::runtime_error("bad alloc"));
    EXPECT_EQ(fromStd.errorNumber, ErrInvalidProcedureCall);
    EXPECT_EQ(fromStd.error, QStringLiteral("bad alloc"));
}

}  // namespace
