#include "LogoSlot.h"

#include "imaging/Errors.h"

namespace quillmere {

namespace {
constexpr std::array<LogoSlot, 3> kSlots{{
    {LogoKind::Startup, "startup", "Startup Logo", "shown while the system starts", "C:\\logo.sys",
     "C:\\Logo.sys", "Logo", "Path"},
    {LogoKind::Wait, "wait", "Wait Logo", "shown while the system shuts down", "C:\\Windows\\logow.sys",
     "C:\\Windows\\Logow.sys", "Logow", "WPath"},
    {LogoKind::Safe, "safe", "Safe Logo", "shown when it is safe to switch the computer off",
     "C:\\Windows\\logos.sys", "C:\\Windows\\Logos.sys", "Logos", "SPath"},
}};
} // namespace

const std::array<LogoSlot, 3>& LogoSlots() noexcept { return kSlots; }

const LogoSlot& SlotOf(LogoKind kind) noexcept { return kSlots[static_cast<std::size_t>(kind)]; }

const LogoSlot* FindSlot(std::string_view word) noexcept
{
    for (const LogoSlot& slot : kSlots) {
        if (slot.name == word)
            return &slot;
    }
    return nullptr;
}

int SetBackupNumber(int set)
{
    if (set < kFirstSet || set > kLastSet)
        throw SubscriptError("there is no logo set " + std::to_string(set) + "; the sets are numbered 1 to 10");
    return set + 1;
}

std::string BackupFileName(const LogoSlot& slot, int backupNumber)
{
    if (backupNumber < kOriginalsBackup || backupNumber > kLastSet + 1)
        throw SubscriptError("there is no backup number " + std::to_string(backupNumber));
    return std::string(slot.backupBase) + ".C" + std::to_string(backupNumber) + "K";
}

std::string BackupPath(const LogoSlot& slot, int backupNumber)
{
    return std::string(kBackupFolder) + "\\" + BackupFileName(slot, backupNumber);
}

} // namespace quillmere
