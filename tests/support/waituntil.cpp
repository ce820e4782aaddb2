#include "support/waituntil.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

namespace vexa::test {

bool WaitUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
    return true;
}

}  // namespace vexa::test
