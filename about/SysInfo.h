// Starts the system's tool that shows what the computer is made of, found
// through the registry.
#pragma once

#include "about/Registry.h"

#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

class ProcessStarter {
public:
    virtual ~ProcessStarter() = default;
    // Starts program as a process of its own without waiting for it; false
    // when it cannot be started.
    virtual bool StartDetached(const std::string& program) = 0;
};

// What the user is told when the tool cannot be started.
inline constexpr std::string_view kSysInfoUnavailable = "System Information Is Unavailable At This Time";
// The tool's file in the folder of the folder value.
inline constexpr std::string_view kSysInfoProgram = "MSINFO32.EXE";

class SysInfoLauncher {
public:
    SysInfoLauncher(Registry& registry, ProcessStarter& processes) : registry_(registry), processes_(processes) {}

    // The tool's path: the path value when there is one, else the tool's file
    // in the folder value when that file exists; nothing otherwise.
    std::optional<std::string> FindProgram() const;
    // Starts the tool; false when there is none or it cannot be started.
    bool Start() const;

private:
    Registry& registry_;
    ProcessStarter& processes_;
};

} // namespace quillmere
