#include "StartDrive.h"

#include "desktop/QtText.h"
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

ReopenedDrive OpenDriveAgain(const DriveC& old)
{
    const std::filesystem::path root = old.Root();
    ReopenedDrive again;
    again.text = QStringLiteral("%1 was changed, replaced, moved or removed by another program since it was opened, "
                                "so nothing was changed.\n")
                     .arg(PathText(root));
    try {
        again.drive.emplace(old.IsPracticeDrive() ? DriveC::Open("") : DriveC::Open(root.string(), old.Partition()));
        again.text += QStringLiteral("It is opened again now; check what it holds and try again.");
    } catch (const std::exception& e) {
        again.text += QStringLiteral("It cannot be opened again (%1)").arg(QString::fromLocal8Bit(e.what()));
        try {
            again.drive.emplace(DriveC::Open(""));
            again.text += QStringLiteral(", so the practice drive is drive C: for now.");
        } catch (const std::exception& practice) {
            again.text +=
                QStringLiteral(", nor can the practice drive (%1).").arg(QString::fromLocal8Bit(practice.what()));
        }
    }
    return again;
}

} // namespace quillmere
