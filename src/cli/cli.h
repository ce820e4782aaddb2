#pragma once

#include <QString>
#include <QStringList>

#include <cstdio>

namespace vexa::cli {

// Exit statuses of every command.
enum ExitStatus { ExitOk = 0, ExitFailure = 1, ExitUsage = 2 };

// What every command gets: its own arguments (after the command word) and the
// global options.
struct Invocation {
    QStringList args;
    QString dataDir;  // from --data; empty: the same data directory as vexa
};

// One line to standard output / standard error, UTF-8.
void Out(const QString &line);
void Err(const QString &line);

// Points the program directory at --data (or vexa's own data directory),
// takes the single-copy lock and opens the database. Prints the reason and
// returns false when that is not possible (vexa is running, no database).
// The lock and database are released at exit.
bool OpenDataDirectory(const Invocation &invocation);

}  // namespace vexa::cli
