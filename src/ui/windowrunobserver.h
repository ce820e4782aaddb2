#pragma once

#include "base/run.h"

#include <QString>

#include <functional>

namespace vexa {

class FeatureHost;

// The one observer of every run in the window: the progress bar (and the
// caption of a minimised window), the status line, the run's own panel
// through paint, the event loop, and the Cancel buttons. Interface thread
// only.
class WindowRunObserver : public RunObserver {
public:
    // Paints the run's panel from the figures (may be empty).
    using Paint = std::function<void(const RunProgress &)>;
    // A run that holds the interface thread lets the event loop run at each
    // report, so Cancel can be clicked; work that is itself driven by events
    // (the viewer's thumbnails) must not.
    enum class EventLoop { Turn, Leave };

    explicit WindowRunObserver(
        FeatureHost &window, Paint paint = {}, EventLoop eventLoop = EventLoop::Turn);

    void started(const RunProgress &progress) override;
    void progressed(const RunProgress &progress) override;
    void finished(const RunResult &result, const RunProgress &progress) override;
    bool isCancelled() const override;

private:
    void show(const RunProgress &progress);

    FeatureHost &m_window;
    Paint m_paint;
    EventLoop m_eventLoop;
    qint64 m_barTotal = -1;
    QString m_status;
    bool m_statusShown = false;
};

// Runs an engine with the window's observer and reports a failure as the
// window's procedure does ("frmVEXA" - procedure), unless the failure was
// reported where it happened. The caller enters and leaves the running state.
RunResult RunInWindow(FeatureHost &window, LongRun &run, const WindowRunObserver::Paint &paint,
    const QString &procedure);

}  // namespace vexa
