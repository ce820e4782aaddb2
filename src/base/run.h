#pragma once

#include <QElapsedTimer>
#include <QString>

#include <cstdint>
#include <exception>

namespace vexa {

// The one shape of every long run (gathering, narration, and each run to
// come): an engine in vexa_core derived from LongRun, whose run() reports
// through a RunObserver and returns a RunResult. The desktop program and
// vexa-cli each have one observer that every run uses; a new run is one
// engine file and one line in each front end.

// How a run ended. Cancelled is an outcome of its own, not a failure: the run
// ends in its normal way and keeps what it did.
enum class RunOutcome { Completed, Cancelled, Failed };

struct RunResult {
    RunResult() = default;
    RunResult(RunOutcome outcome)  // NOLINT: a result is its outcome when nothing failed
        : outcome(outcome)
    {
    }

    RunOutcome outcome = RunOutcome::Completed;
    // Why a Failed run stopped, in the shape the error message shows
    // (number, description). Number 0: the failure was reported where it
    // happened (a record that could not be stored shows its own message), so
    // the window shows no second message; error still says what stopped.
    long errorNumber = 0;
    QString error;

    static RunResult failed(long number, const QString &error);
    // A VexaError's number and text; any other exception as number 5.
    static RunResult failed(const std::exception &e);
};

// What a run has done so far. Every report carries all of it, so a front end
// that sees only some reports still shows the right figures. Counts are the
// run's items (files when gathering, records when narrating).
struct RunProgress {
    qint64 total = 0;  // items the run passes: the progress bar's maximum (0: none)
    qint64 done = 0;  // items passed, 0..total
    qint64 found = 0;  // what the run made: records stored, duplicate groups
    qint64 skipped = 0;  // items passed without work (gathered before)
    qint64 errors = 0;  // items that failed (a file that does not load)
    qint64 remainingMs = -1;  // estimated time to completion; -1: no estimate yet
    QString status;  // the status line
    QString current;  // the item in hand (a path) or what the run does now
    // The part of the run in hand, for runs over a list (gathering: the
    // directory at this list index); -1: none. A part's start and end are
    // always reported, however short the part.
    int part = -1;
    bool partEnded = false;
    qint64 partDone = 0;  // the part's items passed, 0..partTotal
    qint64 partTotal = 0;
};

// How a run tells its front end what it does. Called on the thread that runs
// the engine (the interface thread in the desktop program). Every method has
// a harmless default, so a test passes only what it watches.
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // Once, before anything else.
    virtual void started(const RunProgress &progress) { }
    // A few times a second at most (the run throttles), and at once when a
    // part starts or ends or the status changes. A front end paints here and
    // lets its event loop run, so Cancel can be clicked.
    virtual void progressed(const RunProgress &progress) { }
    // One item went wrong in a way the user should hear of; the run goes on.
    // The text names the item and the reason.
    virtual void notice(const QString &text) { }
    // Once, last, with the final figures, whatever the outcome.
    virtual void finished(const RunResult &result, const RunProgress &progress) { }
    // Read at the run's checkpoints (between items), so it must be cheap.
    virtual bool isCancelled() const { return false; }
};

// What every engine is: constructed with its options, run once on the
// calling thread.
class LongRun {
public:
    virtual ~LongRun() = default;
    virtual RunResult run(RunObserver &observer) = 0;
};

// The interval between progress reports, in milliseconds.
inline constexpr int kReportIntervalMs = 100;

// The engine's side of the observer: it calls started and finished exactly
// once (finished also when the engine leaves by an exception), throttles the
// reports and reads Cancel. Calling thread only.
class RunReporter {
public:
    // intervalMs: the least time between two throttled reports (0: every call).
    explicit RunReporter(RunObserver &observer, int intervalMs = kReportIntervalMs);
    ~RunReporter();
    RunReporter(const RunReporter &) = delete;
    RunReporter &operator=(const RunReporter &) = delete;

    // The figures the engine keeps up to date.
    RunProgress &progress() { return m_progress; }
    const RunProgress &progress() const { return m_progress; }

    // Tells the observer the run began and starts the clock.
    void start();
    // Reports when the interval has passed since the last report; returns
    // whether it did. Cheap enough to call for every item.
    bool report();
    // Whether report() would report now; lets an engine put off gathering
    // its figures until they are wanted.
    bool due() const;
    // Reports now: a part began or ended, the status changed.
    void reportNow();
    bool cancelled() const { return m_observer.isCancelled(); }
    void notice(const QString &text) { m_observer.notice(text); }
    // The single final report; returns the result for the engine to return.
    RunResult finish(RunResult result);

    // Milliseconds since start().
    qint64 elapsedMs() const;

private:
    RunObserver &m_observer;
    int m_intervalMs;
    RunProgress m_progress;
    QElapsedTimer m_clock;
    qint64 m_lastReportMs = 0;
    bool m_started = false;
    bool m_finished = false;
};

}  // namespace vexa
