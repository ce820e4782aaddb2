#include "app/singlecopy.h"

namespace vexa {

SingleCopyLock::SingleCopyLock(const QString &dataDirectory)
    : m_lock(dataDirectory + QStringLiteral("/VEXA.LCK"))
{
    m_lock.setStaleLockTime(0);  // a lock left by a crashed process is taken over
}

bool SingleCopyLock::acquire()
{
    return m_lock.tryLock(0);
}

}  // namespace vexa
