#include "Program.h"

#include "CliManagerWindow.h"
#include "Command.h"
#include "WindowCommand.h"

#include "app/platform/GuideLocation.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
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

int UsageError(const Command& command, const std::string& problem)
{
    if (!problem.empty())
        std::fprintf(stderr, "quillmere %s: %s\n", command.name, Printable(problem).c_str());
    std::fprintf(stderr, "Usage: quillmere %s\n", command.usage);
    return ExitUsage;
}

int Fail(const Command& command, const std::string& message)
{
    std::fprintf(stderr, "quillmere %s: %s\n", command.name, Printable(message).c_str());
    return ExitFailure;
}

std::string Printable(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto escape = [&out](unsigned char c) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02x", c);
        out += hex;
    };
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::size_t n = bytes.size();
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = p[i];
        if (c < 0x80) {
            if (c < 0x20 || c == 0x7F)
                escape(c);
            else
                out += static_cast<char>(c);
            ++i;
            continue;
        }
        // The length of a well-formed sequence and the range of its second byte
        // (no overlong forms, no surrogates, nothing past U+10FFFF).
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            low = c == 0xE0 ? 0xA0 : 0x80;
            high = c == 0xED ? 0x9F : 0xBF;
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            low = c == 0xF0 ? 0x90 : 0x80;
            high = c == 0xF4 ? 0x8F : 0xBF;
        }
        bool valid = length > 0 && i + length <= n && p[i + 1] >= low && p[i + 1] <= high;
        for (std::size_t k = 2; valid && k < length; ++k)
            valid = p[i + k] >= 0x80 && p[i + k] <= 0xBF;
        // C1 control characters (U+0080 to U+009F) are escaped like C0 ones.
        if (valid && !(c == 0xC2 && p[i + 1] <= 0x9F)) {
            out.append(bytes.substr(i, length));
            i += length;
        } else if (valid) {
            escape(p[i]);
            escape(p[i + 1]);
            i += 2;
        } else {
            escape(c);
            ++i;
        }
    }
    return out;
}

void Say(std::string_view line) { std::printf("%s\n", Printable(line).c_str()); }

namespace {

QString commandHelp()
{
    QString text = QStringLiteral("Commands:\n");
    for (const Command& c : Commands()) {
        text += QStringLiteral("  %1\n").arg(QString::fromUtf8(c.usage));
        const QStringList lines = QString::fromUtf8(c.summary).split(u'\n');
        for (const QString& line : lines)
            text += QStringLiteral("      %1\n").arg(line);
    }
    return text;
}

// The value of the last --drive-c (or another global option) among the global
// options, as bytes: Qt's parser gives it as text, which would change a name
// that is not UTF-8.
std::string RawDriveOption(int commandIndex, char* argv[], std::string_view kOption = "--drive-c")
{
    std::string value;
    for (int i = 1; i < commandIndex; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            break;
        if (arg == kOption && i + 1 < commandIndex)
            value = argv[++i];
        else if (arg.starts_with(kOption) && arg.size() > kOption.size() && arg[kOption.size()] == '=')
            value = arg.substr(kOption.size() + 1);
    }
    return value;
}

// The last line of --help: where the user guide of this program lies.
std::string GuideLine()
{
    const std::filesystem::path programFolder =
        QFile::encodeName(QCoreApplication::applicationDirPath()).toStdString();
    if (const std::optional<std::filesystem::path> page = FindGuidePage(programFolder))
        return "User guide: " + Printable(page->native());
    return "User guide: not installed (looked for in " + Printable((programFolder / "guide").native()) + " and " +
           Printable((programFolder.parent_path() / kInstalledGuideFolder).native()) + ")";
}

} // namespace

int Run(int& argc, char* argv[])
{
    // Only the core application object, unless the command opens a window: the
    // command line never touches the window system.
    const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Creates, installs and manages the startup, wait and safe logos of Windows 95, 98 and ME.\n"
                       "With no command it opens the Logo Manager window (it needs a display).\n\n") +
        commandHelp() +
        QStringLiteral("\nDrive C: is a folder (a mounted Windows partition, a folder shared with a virtual\n"
                       "machine) or a virtual machine's disk image (raw with an MBR partition table, a\n"
                       "bare FAT volume or a fixed-size VHD; the active FAT partition, else the first,\n"
                       "unless --partition names one); names on it are found without regard to letter\n"
                       "case. An image a running virtual machine holds is not changed. The practice\n"
                       "drive ($XDG_DATA_HOME/quillmere/drive_c) is created when missing; a folder you\n"
                       "name never is. The commands status, check, install, sets and restore-originals\n"
                       "first prepare drive C: as the Logo Manager does when it starts: they create\n"
                       "C:\\VH Backups when missing, keep the logos found on the first run as the\n"
                       "originals, and clear the attributes of the installed logos and the originals.\n"
                       "An original the first run could not keep is tried again by every command, and\n"
                       "until it is kept no command replaces that kind's logo.\n"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption driveOption(
        QStringLiteral("drive-c"),
        QStringLiteral("The folder or disk image that stands for drive C: (else $QUILLMERE_DRIVE_C, else a\n"
                       "practice drive)."),
        QStringLiteral("DIR|IMAGE"));
    parser.addOption(driveOption);
    const QCommandLineOption partitionOption(
        QStringLiteral("partition"),
        QStringLiteral("The partition (1 to 4) of a hard-disk image that is drive C:."), QStringLiteral("N"));
    parser.addOption(partitionOption);
    parser.addPositionalArgument(QStringLiteral("command"), QStringLiteral("One of the commands below."),
                                 QStringLiteral("<command> [arguments...]"));

    if (!parser.parse(QCoreApplication::arguments())) {
        std::fprintf(stderr, "quillmere: %s\n", qPrintable(parser.errorText()));
        std::fprintf(stderr, "Try 'quillmere --help'.\n");
        return ExitUsage;
    }
    if (parser.isSet(versionOption))
        parser.showVersion(); // exits
    QStringList positional = parser.positionalArguments();
    // --help-all, which Qt's parser adds, gives the same help: no command has
    // Qt options worth listing.
    if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
        std::fputs(parser.helpText().toLocal8Bit().constData(), stdout);
        std::printf("\n%s\n", GuideLine().c_str());
        return ExitOk;
    }

    // The command and its arguments are the last positional.size() words of
    // argv; they are taken from there as bytes.
    const int commandIndex = argc - static_cast<int>(positional.size());
    GlobalOptions options;
    options.driveC = RawDriveOption(commandIndex, argv);
    if (parser.isSet(driveOption) && options.driveC.empty()) {
        std::fprintf(stderr, "quillmere: --drive-c needs a folder\nTry 'quillmere --help'.\n");
        return ExitUsage;
    }
    if (parser.isSet(partitionOption)) {
        const std::string partition = RawDriveOption(commandIndex, argv, "--partition");
        if (partition.size() != 1 || partition[0] < '1' || partition[0] > '4') {
            std::fprintf(stderr, "quillmere: --partition must be 1 to 4, not '%s'\nTry 'quillmere --help'.\n",
                         Printable(partition).c_str());
            return ExitUsage;
        }
        options.partition = partition[0] - '0';
    }
    if (positional.isEmpty())
        return RunManagerWindow(options);
    const std::string name = argv[commandIndex];
    const Args args(argv + commandIndex + 1, argv + argc);
    for (const Command& c : Commands()) {
        if (name == c.name)
            return c.run(args, options);
    }
    std::fprintf(stderr, "quillmere: unknown command '%s'\nTry 'quillmere --help'.\n", Printable(name).c_str());
    return ExitUsage;
}

} // namespace quillmere::app
