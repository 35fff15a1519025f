#include "StartDrive.h"

#include "desktop/SettingsStore.h"
#include "imaging/Errors.h"

#include <QFile>

#include <filesystem>
#include <system_error>

namespace quillmere {

StartDrive OpenStartDrive(const std::string& option, int partition, const SettingsStore& settings)
{
    if (!option.empty() || !qEnvironmentVariableIsEmpty("QUILLMERE_DRIVE_C"))
        return {DriveC::Open(option, partition), {}};
    const std::string stored = QFile::encodeName(settings.Read(QStringLiteral("DriveC"))).toStdString();
    std::error_code ec;
    if (stored.empty() || !std::filesystem::exists(stored, ec))
        return {DriveC::Open("", partition), {}};
    try {
        return {DriveC::Open(stored, partition), {}};
    } catch (const std::exception& e) {
        // The practice drive takes no partition; a partition asked for belonged to the kept image.
        return {DriveC::Open("", 0), QString::fromLocal8Bit(e.what())};
    }
}

} // namespace quillmere
