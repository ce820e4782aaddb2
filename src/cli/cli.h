#pragma once

#include "base/run.h"
#include "db/lifecycle.h"

#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;

namespace vexa::cli {

// Exit statuses of every command, listed by vexa-cli --help.
enum ExitStatus {
    ExitOk = 0,
    ExitFailure = 1,
    ExitUsage = 2,
    ExitDuplicates = 3,  // check: duplicates were found
    ExitCancelled = 130,  // Ctrl-C, as a shell reports a run ended by SIGINT
};

// What every command gets: its own arguments (after the command word) and the
// global options.
struct Invocation {
    QString command;  // the command word
    QStringList args;
    QString dataDir;  // from --data; empty: the same data directory as vexa
};

// One line to standard output / standard error, UTF-8.
void Out(const QString &line);
void Err(const QString &line);

// Each command defines its parser (options, positional arguments with their
// syntax) and parses its arguments through this, so --help and errors look
// the same for every command. Returns -1 when the command goes on, otherwise
// the exit status: 0 after --help, ExitUsage after an error (printed with
// the command's usage).
int ParseCommandLine(QCommandLineParser &parser, const Invocation &invocation);
// A usage error the command finds after parsing (a missing argument, a value
// out of range): prints it the same way and returns ExitUsage.
int UsageError(const QCommandLineParser &parser, const Invocation &invocation, const QString &text);
// The text of a usage error about an option's value, naming what was given:
// --method takes 0..6, not "9".
QString WrongValue(const QCommandLineParser &parser, const QString &name, const QString &takes);
// The text of a usage error about arguments a command does not take, naming
// the first of them: stats takes no arguments, not "now".
QString ExtraArguments(const QString &what, const QStringList &given);
// Reads an integer option in low..high; false when it is not one.
bool IntOption(
    const QCommandLineParser &parser, const QString &name, int low, int high, int &value);
// Adds --rotations on|off (the perceptual method's "Also find rotated and
// mirrored copies" for this run; without it, the choice saved by the window).
void AddRotationsOption(QCommandLineParser &parser);
// Reads an option that takes "on" or "off"; value stays empty when the
// option is not given. False when it is given another value.
bool OnOffOption(const QCommandLineParser &parser, const QString &name, std::optional<bool> &value);

// Points the program directory at --data (or vexa's own data directory),
// takes the single-copy lock and opens the database. Prints the reason and
// returns false when that is not possible (vexa is running, no database, a
// read-only medium for a command that writes). Commands that only read open
// the database read-only, so they work on a read-only medium too. The lock
// and database are released at exit.
bool OpenDataDirectory(
    const Invocation &invocation, DatabaseAccess access = DatabaseAccess::ReadWrite);
// The same for a command that only reads and may run beside vexa (check,
// watch): no single-copy lock, the database opened read-only and never
// created, the decoder's temporary files in a directory of its own.
bool OpenDataDirectoryUnlocked(const Invocation &invocation);

// --quiet (before the command word or among a command's options): no
// progress line, even on a terminal.
void SetQuiet(bool quiet);

// Ctrl-C: outside a run it ends the program with ExitCancelled; during a run
// it is the Cancel button (a second Ctrl-C ends the program at once).
void InstallInterruptHandler();

// Runs an engine the way every command does: Ctrl-C cancels it, a progress
// line of items ("files", "records") goes to standard error when that is a
// terminal, notices go to standard error, and a failure is printed as
// "vexa-cli: <what> failed: ...". The command prints its own summary.
// The progress line reads "done/total items  percent  rate  remaining",
// refreshed at most four times a second, and is wiped when the run ends; it
// is never written with --quiet or when standard error is not a terminal.
RunResult RunInTerminal(LongRun &run, const QString &what, const QString &items);
// The exit status of a run's outcome: 0, 1 or ExitCancelled.
int ExitStatusOf(const RunResult &result);

}  // namespace vexa::cli
