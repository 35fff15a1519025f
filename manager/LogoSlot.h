// The three logo kinds and where each lives on drive C:, and the names of the
// backup store. Drive paths are written the Windows way ("C:\Windows\logow.sys");
// DriveC resolves them on this system.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quillmere {

enum class LogoKind { Startup, Wait, Safe };

struct LogoSlot {
    LogoKind kind;
    std::string_view name;        // "startup", "wait", "safe": the command line's word
    std::string_view title;       // "Startup Logo": the page caption
    std::string_view meaning;     // when the system shows it
    std::string_view installPath; // C:\logo.sys: the form attribute clearing and existence tests use
    std::string_view copyPath;    // C:\Logo.sys: the form copies write, hence the spelling of a new file
    std::string_view backupBase;  // Logo: backup files are <base>.C<n>K
    std::string_view settingsKey; // "Path": settings key of the page's folder
};

inline constexpr std::string_view kWindowsFolder = "C:\\Windows";
inline constexpr std::string_view kBackupFolder = "C:\\VH Backups";

// Backup number 1 holds the originals, number s + 1 logo set s.
inline constexpr int kOriginalsBackup = 1;
inline constexpr int kFirstSet = 1;
inline constexpr int kLastSet = 10;

// The files of one logo set in memory, Startup, Wait, Safe: nullopt for a kind
// the set lacks.
using SetLogos = std::array<std::optional<std::string>, 3>;

// Startup, Wait, Safe: the order in which all three are always handled.
const std::array<LogoSlot, 3>& LogoSlots() noexcept;

const LogoSlot& SlotOf(LogoKind kind) noexcept;

// The slot whose name is word ("startup", "wait", "safe"), or nullptr.
const LogoSlot* FindSlot(std::string_view word) noexcept;

// Backup number of logo set s (1 to 10). Throws SubscriptError for any other s.
int SetBackupNumber(int set);

// "Logow.C10K": the base name, ".C", n in decimal and "K". Throws SubscriptError
// unless n is 1 to 11.
std::string BackupFileName(const LogoSlot& slot, int backupNumber);

// "C:\VH Backups\Logow.C10K".
std::string BackupPath(const LogoSlot& slot, int backupNumber);

} // namespace quillmere
