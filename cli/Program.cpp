#include "cli/Program.h"

#include "userguide/GuideLocation.h"

#include <algorithm>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>

namespace quillmere::app {

namespace {
std::vector<Command>& registry()
{
    static std::vector<Command> commands;
    return commands;
}
} // namespace

const std::vector<Command>& Commands() { return registry(); }

RegisterCommand::RegisterCommand(const Command& command)
{
    auto& r = registry();
    r.insert(std::upper_bound(r.begin(), r.end(), command,
                              [](const Command& a, const Command& b) { return a.order < b.order; }),
             command);
}

ParsedArgs ParseArgs(const Args& args, const std::vector<std::string_view>& valueOptions)
{
    ParsedArgs parsed;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            parsed.operands.insert(parsed.operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                   args.end());
            break;
        }
        if (arg.size() < 2 || arg[0] != '-') {
            parsed.operands.push_back(arg);
            continue;
        }
        const std::string_view text(arg);
        const std::size_t equals = text.find('=');
        const std::string_view name = arg.starts_with("--") ? text.substr(2, equals - 2) : std::string_view{};
        if (std::find(valueOptions.begin(), valueOptions.end(), name) == valueOptions.end() || name.empty()) {
            parsed.problem = "unknown option '" + Printable(text.substr(0, equals)) +
                             "' (put -- before a file name that starts with -)";
            return parsed;
        }
        if (equals != std::string_view::npos) {
            parsed.options.emplace_back(name, text.substr(equals + 1));
        } else if (i + 1 < args.size()) {
            parsed.options.emplace_back(name, args[++i]);
        } else {
            parsed.problem = "--" + std::string(name) + " needs a value";
            return parsed;
        }
    }
    return parsed;
}

namespace {

// lead + usage in lines of at most 80 characters, broken before an option in
// brackets; the lines after the first start with indent.
std::string WrappedUsage(const std::string& lead, std::string_view usage, const std::string& indent)
{
    constexpr std::size_t kWidth = 80;
    std::string text = lead;
    std::size_t column = lead.size();
    while (!usage.empty()) {
        std::size_t end = usage.find(" [", 1);
        if (end == std::string_view::npos)
            end = usage.size();
        std::string_view piece = usage.substr(0, end);
        usage.remove_prefix(end);
        if (column + piece.size() > kWidth && column > indent.size() + 1 && piece.front() == ' ') {
            text += "\n" + indent;
            piece.remove_prefix(1);
            column = indent.size();
        }
        text += piece;
        column += piece.size();
    }
    return text + "\n";
}

} // namespace

int UsageError(const Command& command, const std::string& problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "quillmere %s: %s\n", command.name, Printable(problem).c_str());
    std::fputs(WrappedUsage("Usage: quillmere ", command.usage, "         ").c_str(), stderr);
    return ExitUsage;
}

int Fail(const Command& command, const std::string& message)
{
    std::fprintf(stderr, "quillmere %s: %s\n", command.name, Printable(message).c_str());
    return ExitFailure;
}

void Say(std::string_view line) { std::printf("%s\n", Printable(line).c_str()); }

bool DisplayAvailable()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

std::filesystem::path ProgramFolder()
{
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    const std::filesystem::path folder = exe.parent_path();
    if (ec || folder.filename() != "quillmere" || folder.parent_path().filename() != "libexec")
        return folder;
    const std::filesystem::path prefix = folder.parent_path().parent_path();
    return std::filesystem::is_regular_file(prefix / "bin" / "quillmere", ec) ? prefix / "bin" : prefix;
}

namespace {

const WindowFront* windows = nullptr; // of the running Run()

int RunCreator(const Args& args, const GlobalOptions& options);
const Command kCreator{30, "creator", "creator",
                       "Opens the Logo Creator window: load a picture, \"Create Logo\", \"Save Logo\".\n"
                       "Needs a display; convert does the same from the command line.",
                       RunCreator};
const RegisterCommand registerCreator(kCreator);

int RunCreator(const Args& arguments, const GlobalOptions& options)
{
    const ParsedArgs parsed = ParseArgs(arguments);
    if (!parsed.problem.empty())
        return UsageError(kCreator, parsed.problem);
    if (!parsed.operands.empty())
        return UsageError(kCreator, "no arguments are taken");
    if (!DisplayAvailable())
        return Fail(kCreator, "no display to open the window on; 'quillmere convert INPUT OUTPUT' makes a logo "
                              "without one (see 'quillmere --help')");
    return windows->creator(options);
}

const Command* FindCommand(std::string_view name)
{
    for (const Command& c : Commands()) {
        if (name == c.name)
            return &c;
    }
    return nullptr;
}

// "--help" or "-h" among a command's arguments, before a lone "--" (after it,
// that is a file's name).
bool AsksForHelp(const Args& args)
{
    for (const std::string& arg : args) {
        if (arg == "--")
            return false;
        if (arg == "--help" || arg == "-h")
            return true;
    }
    return false;
}

// One command's usage and explanation.
std::string CommandHelp(const Command& command)
{
    std::string text = WrappedUsage("Usage: quillmere ", command.usage, "         ") + "\n" + command.summary + "\n";
    return text + "\nThe options before the command (--drive-c, --partition) are in 'quillmere --help'.\n";
}

std::string HelpText();
std::string GuideLine();

int RunHelp(const Args& args, const GlobalOptions& options);
const Command kHelp{1, "help", "help [COMMAND]",
                    "Prints this help, or the usage and explanation of COMMAND (as\n"
                    "'quillmere COMMAND --help' does).",
                    RunHelp};
const RegisterCommand registerHelp(kHelp);

int RunHelp(const Args& args, const GlobalOptions&)
{
    if (args.empty()) {
        std::fputs(HelpText().c_str(), stdout);
        std::printf("\n%s\n", GuideLine().c_str());
        return ExitOk;
    }
    const Command* command = args.size() == 1 ? FindCommand(args[0]) : nullptr;
    if (!command)
        return UsageError(kHelp, args.size() == 1 ? "unknown command '" + args[0] + "'" : "name one command");
    std::fputs(CommandHelp(*command).c_str(), stdout);
    return ExitOk;
}

std::string HelpText()
{
    std::string text =
        "Usage: quillmere [options] <command> [arguments...]\n"
        "Creates, installs and manages the startup, wait and safe logos of Windows 95, 98 and ME.\n"
        "With no command it opens the Logo Manager window (it needs a display).\n\n"
        "Commands:\n";
    for (const Command& c : Commands()) {
        text += WrappedUsage("  ", c.usage, "    ");
        std::string_view summary = c.summary;
        while (!summary.empty()) {
            const std::size_t end = summary.find('\n');
            text += "      " + std::string(summary.substr(0, end)) + "\n";
            summary = end == std::string_view::npos ? std::string_view{} : summary.substr(end + 1);
        }
    }
    text += "\n"
            "Drive C: is a folder (a mounted Windows partition, a folder shared with a virtual\n"
            "machine) or a virtual machine's disk image (raw with an MBR partition table, a\n"
            "bare FAT volume, a VHD, VDI, qcow2, VMDK or VHDX, the last ones through\n"
            "qemu-nbd and nbdfuse; the active FAT partition, else the first, unless\n"
            "--partition names one); names on it are found without regard to letter\n"
            "case. An image a running virtual machine holds is not changed. The practice\n"
            "drive ($XDG_DATA_HOME/quillmere/drive_c) is created when missing; a folder you\n"
            "name never is. The commands status, install, remove, sets, restore-originals\n"
            "and boot-logo first prepare drive C: as the Logo Manager does when it starts:\n"
            "they create C:\\VH Backups when missing, keep the logos found on the first run\n"
            "as the originals, and clear the attributes of the installed logos and the\n"
            "originals. An original the first run could not keep is tried again by every\n"
            "command, and until it is kept no command replaces that kind's logo.\n"
            "\n"
            "Options:\n"
            "  -h, --help             Displays this help.\n"
            "  -v, --version          Displays version information.\n"
            "  --drive-c <DIR|IMAGE>  The folder or disk image that stands for drive C:\n"
            "                         (else $QUILLMERE_DRIVE_C, else a practice drive).\n"
            "  --partition <N>        The partition (1 to 4) of a hard-disk image that is\n"
            "                         drive C:.\n";
    return text;
}

// The last line of --help: where the user guide of this program lies.
std::string GuideLine()
{
    const std::filesystem::path programFolder = ProgramFolder();
    if (const std::optional<std::filesystem::path> page = FindGuidePage(programFolder))
        return "User guide: " + Printable(page->native());
    return "User guide: not installed (looked for in " + Printable((programFolder / "guide").native()) + " and " +
           Printable((programFolder.parent_path() / kInstalledGuideFolder).native()) + ")";
}

// The options before the command word, and where that word is.
struct GlobalLine {
    GlobalOptions options;
    bool help = false;
    bool version = false;
    bool driveGiven = false;
    bool partitionGiven = false;
    std::string partition;
    int command = 0;     // index of the command word in argv; argc when there is none
    std::string problem; // the first thing not understood
};

GlobalLine ReadGlobalOptions(int argc, char* argv[])
{
    GlobalLine line;
    const auto fail = [&line](std::string problem) {
        if (line.problem.empty())
            line.problem = std::move(problem);
    };
    int i = 1;
    for (; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--") {
            ++i;
            break;
        }
        if (arg.size() < 2 || arg[0] != '-')
            break; // the command word ("-" alone is one too)
        if (!arg.starts_with("--")) {
            // Short options may stand together: "-hv".
            for (const char c : arg.substr(1)) {
                if (c == 'h')
                    line.help = true;
                else if (c == 'v')
                    line.version = true;
                else
                    fail("Unknown option '" + Printable(std::string_view(&c, 1)) + "'.");
            }
            continue;
        }
        const std::size_t equals = arg.find('=');
        const std::string_view name = arg.substr(2, equals == std::string_view::npos ? arg.npos : equals - 2);
        if (name == "help" || name == "help-all" || name == "version") {
            if (equals != std::string_view::npos)
                fail("Unexpected value after '--" + std::string(name) + "'.");
            (name == "version" ? line.version : line.help) = true;
            continue;
        }
        if (name != "drive-c" && name != "partition") {
            fail("Unknown option '" + Printable(name) + "'.");
            continue;
        }
        std::string value;
        if (equals != std::string_view::npos) {
            value = arg.substr(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i]; // as bytes: a folder's name need not be UTF-8
        } else {
            fail("Missing value after '--" + std::string(name) + "'.");
            continue;
        }
        if (name == "drive-c") {
            line.driveGiven = true;
            line.options.driveC = std::move(value);
        } else {
            line.partitionGiven = true;
            line.partition = std::move(value);
        }
    }
    line.command = i;
    return line;
}

int UsageProblem(const std::string& problem)
{
    std::fprintf(stderr, "quillmere: %s\nTry 'quillmere --help'.\n", Printable(problem).c_str());
    return ExitUsage;
}

} // namespace

int Run(int argc, char* argv[], const WindowFront& front)
{
    windows = &front;
    GlobalLine line = ReadGlobalOptions(argc, argv);
    if (!line.problem.empty())
        return UsageProblem(line.problem);
    if (line.version) {
        std::printf("Quillmere %s\n", QUILLMERE_VERSION);
        return ExitOk;
    }
    if (line.help) {
        std::fputs(HelpText().c_str(), stdout);
        std::printf("\n%s\n", GuideLine().c_str());
        return ExitOk;
    }
    if (line.driveGiven && line.options.driveC.empty())
        return UsageProblem("--drive-c needs a folder or a disk image");
    if (line.partitionGiven) {
        const std::string& partition = line.partition;
        if (partition.size() != 1 || partition[0] < '1' || partition[0] > '4')
            return UsageProblem("--partition must be 1 to 4, not '" + partition + "'");
        line.options.partition = partition[0] - '0';
    }
    if (line.command >= argc) {
        if (!DisplayAvailable()) {
            std::fprintf(stderr, "quillmere: no display to open the Logo Manager on; the commands work without "
                                 "one (see 'quillmere --help')\n");
            return ExitFailure;
        }
        return front.manager(line.options);
    }
    const std::string name = argv[line.command];
    const Args args(argv + line.command + 1, argv + argc);
    const Command* command = FindCommand(name);
    if (!command)
        return UsageProblem("unknown command '" + name + "'");
    if (AsksForHelp(args)) {
        std::fputs(CommandHelp(*command).c_str(), stdout);
        return ExitOk;
    }
    return command->run(args, line.options);
}

} // namespace quillmere::app
