#include "Command.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cstdio>

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

int UsageError(const Command& command, const QString& problem)
{
    if (!problem.isEmpty())
        std::fprintf(stderr, "quillmere %s: %s\n", command.name, qPrintable(problem));
    std::fprintf(stderr, "Usage: quillmere %s\n", command.usage);
    return ExitUsage;
}

int Fail(const Command& command, const std::string& message)
{
    std::fprintf(stderr, "quillmere %s: %s\n", command.name, message.c_str());
    return ExitFailure;
}

std::string LocalPath(const QString& text) { return QFile::encodeName(text).toStdString(); }

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

int run(int argc, char* argv[])
{
    // Only the core application object: the command line never touches the window system.
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Quillmere"));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUILLMERE_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Creates, installs and manages the startup, wait and safe logos of Windows 95, 98 and ME.\n\n") +
        commandHelp() +
        QStringLiteral("\nDrive C: is a folder (a mounted Windows partition, a folder shared with a virtual\n"
                       "machine); names under it are found without regard to letter case. The practice\n"
                       "drive ($XDG_DATA_HOME/quillmere/drive_c) is created when missing; a folder you\n"
                       "name never is. The commands status, check, install, sets and restore-originals\n"
                       "first prepare drive C: as the Logo Manager does when it starts: they create\n"
                       "C:\\VH Backups when missing, keep the logos found on the first run as the\n"
                       "originals, and clear the attributes of the installed logos and the originals.\n"));
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption driveOption(
        QStringLiteral("drive-c"),
        QStringLiteral("The folder that stands for drive C: (else $QUILLMERE_DRIVE_C, else a practice drive)."),
        QStringLiteral("DIR"));
    parser.addOption(driveOption);
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
    if (parser.isSet(helpOption) || positional.isEmpty())
        parser.showHelp(0); // exits

    GlobalOptions options;
    options.driveC = parser.value(driveOption);
    if (parser.isSet(driveOption) && options.driveC.isEmpty()) {
        std::fprintf(stderr, "quillmere: --drive-c needs a folder\nTry 'quillmere --help'.\n");
        return ExitUsage;
    }
    const QString name = positional.takeFirst();
    for (const Command& c : Commands()) {
        if (name == QLatin1String(c.name))
            return c.run(positional, options);
    }
    std::fprintf(stderr, "quillmere: unknown command '%s'\nTry 'quillmere --help'.\n", qPrintable(name));
    return ExitUsage;
}

} // namespace
} // namespace quillmere::app

int main(int argc, char* argv[])
{
    return quillmere::app::run(argc, argv);
}
