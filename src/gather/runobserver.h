#pragma once

#include <QString>

namespace vexa {

// How a long run (gather, narration, save, autodelete) tells its front end
// what it is doing. Every method has a harmless default, so a test or the
// command-line front end passes only what it needs. The run calls these on
// the thread it runs on (the interface thread in the desktop program).
class RunObserver {
public:
    virtual ~RunObserver() = default;

    // A labelled value of the run changed (a counter, the current file, a
    // directory); `what` names it, e.g. "current", "total", "errors", "file".
    virtual void label(const QString &what, const QString &text) { }
    // The progress bar: a new total, then advances to a count (0..total).
    virtual void progressStarted(qint64 total) { }
    virtual void progress(qint64 done) { }
    virtual void progressEnded() { }
    // The status line text.
    virtual void status(const QString &text) { }
    // Lets the front end's event loop run (so Cancel can be clicked).
    virtual void yield() { }
    // Read at the run's checkpoints; a cancelled run ends in its normal way
    // and keeps what it did.
    virtual bool isCancelled() const { return false; }
};

// How a run ended. Cancelled is an outcome of its own, not a failure.
enum class RunOutcome { Completed, Cancelled, Failed };

}  // namespace vexa
