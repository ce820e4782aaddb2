#pragma once

#include <QString>

namespace vexa {

// Writes one line, ended by CR LF, to fileName in the program directory;
// append false starts the file anew. Each call opens and closes the file so
// the log is complete on disk after every line. Failures are reported
// ("modFunctions") and the caller goes on. Returns false on failure.
bool WriteToLogFile(const QString &fileName, const QString &text, bool append);

inline constexpr const char *kGatherLogName = "VEXA_IG.LOG";

}  // namespace vexa
