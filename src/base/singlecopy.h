#pragma once

#include <QLockFile>
#include <QString>

namespace vexa {

// The single-copy lock: a lock file in the data directory, held by vexa
// while it runs and by vexa-cli while a command works on the database.
class SingleCopyLock {
public:
    explicit SingleCopyLock(const QString &dataDirectory);
    // false when another live process holds the lock. A directory where no
    // lock file can be made (read-only) does not count as another copy: the
    // database open that follows reports that directory instead.
    bool acquire();

private:
    QLockFile m_lock;
};

}  // namespace vexa
