// What the About window reaches of the desktop: the "open" handler for its
// links, message boxes, the registry and process start for the
// system-information tool, and the addresses of its links.
#pragma once

#include "about/SysInfo.h"
#include "desktop/ProgramLinks.h"

namespace quillmere {

class DocumentOpener;
class MessageBoxes;
class Registry;

struct AboutPlatform {
    DocumentOpener& opener;
    MessageBoxes& messages;
    Registry& registry;
    ProcessStarter& processes;
    ProgramLinks links;
};

// Starts a program with QProcess::startDetached.
class QtProcessStarter final : public ProcessStarter {
public:
    bool StartDetached(const std::string& program) override;
};

} // namespace quillmere
