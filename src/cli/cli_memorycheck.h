#pragma once

#include "gather/memorysignatures.h"
#include "narration/duplicateset.h"

#include <QCommandLineParser>
#include <QStringList>

#include <optional>

namespace vexa {
class Database;
}

namespace vexa::cli {

struct Invocation;

// What check and watch share: the method and slider options, the memory
// gathering and narration against the whole database, and the printing of
// each file with its duplicates. Main thread only.
struct MemoryCheckOptions {
    int method = 2;
    int slider = 12;
    // --rotations on|off; empty: the saved choice of the window.
    std::optional<bool> rotations;
    bool json = false;
};

// Adds --method, --slider, --rotations and --json to a parser.
void AddMemoryCheckOptions(QCommandLineParser &parser);
// Reads them after parsing; -1 when they are good, else the usage error's
// exit status (printed).
int ReadMemoryCheckOptions(
    const QCommandLineParser &parser, const Invocation &invocation, MemoryCheckOptions &options);

// The outcome of one check.
struct MemoryCheckResult {
    int status = 0;  // the exit status of the runs: 0, 1 or 130
    int withDuplicates = 0;  // files that have duplicates
};

class MemoryChecker {
public:
    MemoryChecker(Database &db, const MemoryCheckOptions &options);

    // Gathers the files into memory and compares them with every stored
    // image, through the same engines as the window. Prints each file with
    // its duplicates; files without any only when printClean.
    MemoryCheckResult check(const QStringList &files, bool printClean);

private:
    void print(const MemorySignatureEntry &entry, const QList<std::int32_t> &ids);

    Database &m_db;
    MemoryCheckOptions m_options;
    MemorySignatureList m_list;
    CDuplicates m_set;
};

}  // namespace vexa::cli
