#include "ui/windowrunobserver.h"

#include "base/errors.h"
#include "ui/featurehost.h"

#include <QCoreApplication>

namespace vexa {

WindowRunObserver::WindowRunObserver(FeatureHost &window, Paint paint, EventLoop eventLoop)
    : m_window(window)
    , m_paint(std::move(paint))
    , m_eventLoop(eventLoop)
{
}

void WindowRunObserver::started(const RunProgress &progress)
{
    // One observer may serve one run after another.
    m_barTotal = -1;
    m_statusShown = false;
    show(progress);
    if (m_eventLoop == EventLoop::Turn)
        QCoreApplication::processEvents();
}

void WindowRunObserver::progressed(const RunProgress &progress)
{
    show(progress);
    if (m_eventLoop == EventLoop::Turn)
        QCoreApplication::processEvents();
}

void WindowRunObserver::finished(const RunResult &, const RunProgress &progress)
{
    show(progress);
    m_window.HideProgressBar();
    m_barTotal = -1;
}

bool WindowRunObserver::isCancelled() const
{
    return m_window.isCancelled();
}

void WindowRunObserver::show(const RunProgress &progress)
{
    if (progress.total != m_barTotal) {
        m_barTotal = progress.total;
        m_window.InitialiseProgressBar(0, progress.total);
    }
    m_window.SetProgressBarValue(progress.done);
    if (!m_statusShown || progress.status != m_status) {
        m_statusShown = true;
        m_status = progress.status;
        m_window.SetStatusbarInfoText(m_status);
    }
    if (m_paint)
        m_paint(progress);
}

RunResult RunInWindow(FeatureHost &window, LongRun &run, const WindowRunObserver::Paint &paint,
    const QString &procedure)
{
    WindowRunObserver observer(window, paint);
    const RunResult result = run.run(observer);
    if (result.outcome == RunOutcome::Failed && result.errorNumber != 0)
        ReportError(result.errorNumber, result.error, QStringLiteral("frmVEXA"), procedure);
    return result;
}

}  // namespace vexa
