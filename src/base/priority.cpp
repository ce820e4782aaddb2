#include "base/priority.h"

#include <QDir>

#include <cerrno>
#include <cstring>

#include <sys/resource.h>
#include <unistd.h>

namespace vexa {

namespace {

constexpr int kNiceValues[4] = { -20, -10, 0, 19 };

// Linux keeps a nice value per thread; the program's workers were started
// by the process, so every task of it gets the new value.
bool SetNiceOfAllThreads(int nice, int &error)
{
    const QStringList tasks
        = QDir(QStringLiteral("/proc/self/task")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    if (tasks.isEmpty()) {
        if (setpriority(PRIO_PROCESS, 0, nice) == 0)
            return true;
        error = errno;
        return false;
    }
    for (const QString &task : tasks) {
        if (setpriority(PRIO_PROCESS, id_t(task.toInt()), nice) != 0 && errno != ESRCH) {
            error = errno;
            return false;
        }
    }
    return true;
}

}  // namespace

int NiceValueOfPriority(int index)
{
    return index >= 0 && index < 4 ? kNiceValues[index] : 0;
}

int PriorityOfNiceValue(int nice)
{
    for (int index = 0; index < 4; ++index) {
        if (kNiceValues[index] == nice)
            return index;
    }
    return 0;
}

bool ApplyProcessPriority(int index, long &errorNumber, QString &description)
{
    int error = 0;
    if (SetNiceOfAllThreads(NiceValueOfPriority(index), error))
        return true;
    errorNumber = error;
    description = QString::fromLocal8Bit(std::strerror(error));
    if (error == EACCES || error == EPERM)
        description += QStringLiteral(" (raising the priority needs administrator rights)");
    return false;
}

int CurrentProcessPriority()
{
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    return errno != 0 ? 0 : PriorityOfNiceValue(nice);
}

}  // namespace vexa
