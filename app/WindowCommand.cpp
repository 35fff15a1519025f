#include "WindowCommand.h"

#include "app/artwork/Artwork.h"

#include <QApplication>

#include <algorithm>
#include <string>
#include <vector>

namespace quillmere::app {

namespace {

std::vector<std::string_view>& windowCommands()
{
    static std::vector<std::string_view> names;
    return names;
}

// The command word of argv: the first word that is no global option or an
// option's value.
std::string_view CommandWord(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--")
            return i + 1 < argc ? std::string_view(argv[i + 1]) : std::string_view();
        if (arg == "--drive-c") {
            ++i;
            continue;
        }
        if (arg.size() > 1 && arg[0] == '-')
            continue;
        return arg;
    }
    return {};
}

} // namespace

RegisterWindowCommand::RegisterWindowCommand(const char* name) { windowCommands().push_back(name); }

bool DisplayAvailable()
{
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char* argv[])
{
    const std::string_view command = CommandWord(argc, argv);
    const auto& names = windowCommands();
    // No command opens the Logo Manager; help and version only print.
    bool printsOnly = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        printsOnly = printsOnly || arg == "-h" || arg == "--help" || arg == "--help-all" || arg == "-v" ||
                     arg == "--version" || arg == "-?";
    }
    const bool window = command.empty() ? !printsOnly
                                        : std::find(names.begin(), names.end(), command) != names.end();
    if (window && DisplayAvailable()) {
        auto app = std::make_unique<QApplication>(argc, argv);
        // Every window of the program carries its icon.
        QApplication::setWindowIcon(artwork::ProgramIcon());
        return app;
    }
    return std::make_unique<QCoreApplication>(argc, argv);
}

} // namespace quillmere::app
