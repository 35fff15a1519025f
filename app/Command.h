// The command-line face: each command registers itself from its own source file
// with a static RegisterCommand object; main() parses the global options and
// hands the command its arguments.
#pragma once

#include <QString>
#include <QStringList>

#include <string>
#include <vector>

namespace quillmere::app {

// Exit statuses of every command.
enum ExitStatus : int {
    ExitOk = 0,
    ExitFailure = 1, // the command ran and something failed; a message was printed
    ExitUsage = 2,   // the command line was wrong; the usage line was printed
};

// Options that come before the command.
struct GlobalOptions {
    QString driveC; // --drive-c DIR; empty when not given
};

struct Command {
    int order;           // place in the help text
    const char* name;    // "convert"
    const char* usage;   // "convert INPUT OUTPUT"
    const char* summary; // one or more lines for --help
    int (*run)(const QStringList& args, const GlobalOptions& options);
};

const std::vector<Command>& Commands();

struct RegisterCommand {
    explicit RegisterCommand(const Command& command);
};

// Prints "Usage: quillmere <usage>" to standard error and returns ExitUsage.
int UsageError(const Command& command, const QString& problem = {});

// Prints "quillmere <command>: <message>" to standard error and returns ExitFailure.
int Fail(const Command& command, const std::string& message);

// A file name from the command line in the file system's own encoding.
std::string LocalPath(const QString& text);

} // namespace quillmere::app
