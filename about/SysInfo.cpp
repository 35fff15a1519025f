#include "about/SysInfo.h"

#include <exception>
#include <filesystem>
#include <system_error>

namespace quillmere {

std::optional<std::string> SysInfoLauncher::FindProgram() const
{
    std::string value;
    if (GetKeyValue(registry_, RegistryRoot::LocalMachine, kSysInfoPathKey, kSysInfoPathValue, value))
        return value;
    if (GetKeyValue(registry_, RegistryRoot::LocalMachine, kSysInfoFolderKey, kSysInfoFolderValue, value)) {
        // Joined with this system's separator: a backslash is an ordinary
        // character of a file name here.
        const std::string program = value + '/' + std::string(kSysInfoProgram);
        std::error_code error;
        if (std::filesystem::is_regular_file(program, error))
            return program;
    }
    return std::nullopt;
}

bool SysInfoLauncher::Start() const
{
    // Whatever goes wrong on the way, the user is only told the tool is unavailable.
    try {
        const std::optional<std::string> program = FindProgram();
        return program && processes_.StartDetached(*program);
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace quillmere
