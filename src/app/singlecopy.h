#pragma once

#include <QLockFile>
#include <QString>

namespace vexa {

// The single-copy lock: a lock file in the data directory, held by vexa
// while it runs and by vexa-cli while a command works on the database.
class SingleCopyLock {
public:
    explicit SingleCopyLock(const QString &dataDirectory);
    // false when another live process holds the lock.
    bool acquire();

private:
    QLockFile m_lock;
};

}  // namespace vexa
