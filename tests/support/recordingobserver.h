#pragma once

#include "base/run.h"

#include <QList>
#include <QStringList>

#include <functional>

namespace vexa::test {

// Remembers what a run told its front end, and cancels on request.
class RecordingObserver : public RunObserver {
public:
    void started(const RunProgress &progress) override
    {
        ++startedCount;
        first = progress;
        last = progress;
        checkOrder();
    }
    void progressed(const RunProgress &progress) override
    {
        checkOrder();
        reports.append(progress);
        last = progress;
        if (cancelAtReport > 0 && reports.size() >= cancelAtReport)
            cancelled = true;
        if (cancelWhen && cancelWhen(progress))
            cancelled = true;
    }
    void notice(const QString &text) override { notices.append(text); }
    void finished(const RunResult &runResult, const RunProgress &progress) override
    {
        checkOrder();
        ++finishedCount;
        result = runResult;
        last = progress;
    }
    bool isCancelled() const override
    {
        ++cancelChecks;
        return cancelled || (cancelAfter >= 0 && cancelChecks > cancelAfter);
    }

    int startedCount = 0;
    int finishedCount = 0;
    bool outOfOrder = false;  // a call before started or after finished
    RunProgress first;  // as started
    RunProgress last;  // as last reported
    QList<RunProgress> reports;
    QStringList notices;
    RunResult result;
    bool cancelled = false;
    int cancelAtReport = 0;  // cancel at this report (1-based); 0: never
    int cancelAfter = -1;  // cancel once this many checks have passed
    std::function<bool(const RunProgress &)> cancelWhen;
    mutable int cancelChecks = 0;

private:
    void checkOrder()
    {
        if (startedCount != 1 || finishedCount != 0)
            outOfOrder = true;
    }
};

}  // namespace vexa::test
