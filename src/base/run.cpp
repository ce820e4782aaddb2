#include "base/run.h"

#include "base/errors.h"

namespace vexa {

RunResult RunResult::failed(long number, const QString &error)
{
    RunResult result(RunOutcome::Failed);
    result.errorNumber = number;
    result.error = error;
    return result;
}

RunResult RunResult::failed(const std::exception &e)
{
    if (const auto *vexaError = dynamic_cast<const VexaError *>(&e))
        return failed(vexaError->number(), vexaError->description());
    return failed(ErrInvalidProcedureCall, QString::fromLocal8Bit(e.what()));
}

RunReporter::RunReporter(RunObserver &observer, int intervalMs)
    : m_observer(observer)
    , m_intervalMs(intervalMs)
{
}

RunReporter::~RunReporter()
{
    // An engine left by an exception still ends its run once.
    if (m_started && !m_finished) {
        m_finished = true;
        m_observer.finished(RunResult::failed(ErrInvalidProcedureCall, QString()), m_progress);
    }
}

void RunReporter::start()
{
    if (m_started)
        return;
    m_started = true;
    m_clock.start();
    m_lastReportMs = 0;
    m_observer.started(m_progress);
}

bool RunReporter::due() const
{
    return m_clock.elapsed() - m_lastReportMs >= m_intervalMs;
}

bool RunReporter::report()
{
    const qint64 now = m_clock.elapsed();
    if (now - m_lastReportMs < m_intervalMs)
        return false;
    m_lastReportMs = now;
    m_observer.progressed(m_progress);
    return true;
}

void RunReporter::reportNow()
{
    m_lastReportMs = m_clock.elapsed();
    m_observer.progressed(m_progress);
}

RunResult RunReporter::finish(RunResult result)
{
    start();
    if (!m_finished) {
        m_finished = true;
        m_observer.finished(result, m_progress);
    }
    return result;
}

qint64 RunReporter::elapsedMs() const
{
    return m_clock.isValid() ? m_clock.elapsed() : 0;
}

}  // namespace vexa
