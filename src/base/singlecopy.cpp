#include "base/singlecopy.h"

namespace vexa {

SingleCopyLock::SingleCopyLock(const QString &dataDirectory)
    : m_lock(dataDirectory + QStringLiteral("/VEXA.LCK"))
{
    m_lock.setStaleLockTime(0);  // a lock left by a crashed process is taken over
}

bool SingleCopyLock::acquire()
{
    if (m_lock.tryLock(0))
        return true;
    return m_lock.error() != QLockFile::LockFailedError;
}

}  // namespace vexa
