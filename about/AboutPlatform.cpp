#include "about/AboutPlatform.h"

#include <QFile>
#include <QProcess>

namespace quillmere {

bool QtProcessStarter::StartDetached(const std::string& program)
{
    if (program.empty())
        return false;
    return QProcess::startDetached(QFile::decodeName(QByteArray::fromStdString(program)), {});
}

} // namespace quillmere
