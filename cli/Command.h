// The command-line face: each command registers itself from its own source file
// with a static RegisterCommand object; main() parses the global options and
// hands the command its arguments.
#pragma once

#include "imaging/Printable.h"

#include <string>
#include <string_view>
#include <vector>

namespace quillmere::app {

// Exit statuses of every command.
enum ExitStatus : int {
    ExitOk = 0,
    ExitFailure = 1, // the command ran and something failed; a message was printed
    ExitUsage = 2,   // the command line was wrong; the usage line was printed
};

// Arguments as the program received them: bytes, not text. A file name need
// not be valid UTF-8, and it must reach the file system unchanged.
using Args = std::vector<std::string>;

// Options that come before the command.
struct GlobalOptions {
    std::string driveC; // --drive-c DIR|IMAGE, as bytes; empty when not given
    int partition = 0;  // --partition N (1 to 4) of a disk image; 0 when not given
};

struct Command {
    int order;           // place in the help text
    const char* name;    // "convert"
    const char* usage;   // "convert INPUT OUTPUT"
    const char* summary; // one or more lines for --help
    int (*run)(const Args& args, const GlobalOptions& options);
};

const std::vector<Command>& Commands();

struct RegisterCommand {
    explicit RegisterCommand(const Command& command);
};

// A command's arguments split into its options and its operands.
struct ParsedArgs {
    std::vector<std::pair<std::string, std::string>> options; // name without "--", value
    Args operands;
    std::string problem; // empty when the arguments were understood
};

// Takes out "--NAME VALUE" and "--NAME=VALUE" for the names in valueOptions,
// anywhere before a lone "--"; everything after "--" is an operand, so a file
// may be called "--x" or "-". Any other argument that starts with "-" (but "-"
// itself) is an unknown option, told in problem.
ParsedArgs ParseArgs(const Args& args, const std::vector<std::string_view>& valueOptions = {});

// Prints "Usage: quillmere <usage>" to standard error and returns ExitUsage.
int UsageError(const Command& command, const std::string& problem = {});

// Prints "quillmere <command>: <message>" to standard error and returns ExitFailure.
int Fail(const Command& command, const std::string& message);

using quillmere::Printable;

// Prints one line to standard output, made printable.
void Say(std::string_view line);

} // namespace quillmere::app
