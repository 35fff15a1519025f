// The temporary files and folders this program makes while it runs, listed so
// that a run ended by SIGINT, SIGTERM, SIGHUP or SIGQUIT removes them before it
// dies: the hidden replacements beside a file being replaced, the FAT tools'
// scratch folder, the Logo Creator's snapshot folder. A run ended by SIGKILL or
// a crash cannot clean up; the scratch folders it leaves are removed by a later
// run (RemoveStaleScratchFolders).
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace quillmere {

// What a registered entry is: a file, unlinked; or a folder, whose entries
// other than folders are unlinked, and whose empty folders are removed, before
// the folder itself is removed.
enum class TemporaryKind { File, Folder };

// Lists name, in the folder open as folder (AT_FDCWD: name is a path), for
// removal when a signal ends the run. The name is copied; folder must stay open
// until the entry is forgotten. Cheap, and safe at any time against the signal
// handler. Best effort: when the list is full (64 entries) or the name longer
// than PATH_MAX, the entry is not listed.
void RegisterTemporary(int folder, std::string_view name, TemporaryKind kind) noexcept;

// Takes name (in folder) off the list, once it is renamed, removed or kept.
// Nothing happens when it is not listed.
void ForgetTemporary(int folder, std::string_view name) noexcept;

// Lists a child process (a server this run started, such as nbdfuse) for the
// signal handler to end: it is sent SIGTERM and waited for (ten seconds at
// most) before anything listed is removed. At most 8; best effort as above.
void RegisterChildToEnd(pid_t child) noexcept;
void ForgetChildToEnd(pid_t child) noexcept;

// Installs the handler for SIGINT, SIGTERM, SIGHUP and SIGQUIT (a signal that
// is ignored, as under nohup, stays ignored). The handler removes what is
// listed, using only async-signal-safe calls, then dies of the same signal, so
// the exit status still says which signal ended the run. Only the process that
// installed it cleans up: a child forked from it, before its exec, leaves the
// entries to the parent.
void RemoveTemporariesOnSignals();

// The folder for this program's scratch folders: TMPDIR when it is an absolute
// path, else /tmp.
std::filesystem::path ScratchParent();

// Lists folder, a private folder this run just made (mkdtemp) under the name
// "quillmere-XXXXXX", for removal (TemporaryKind::Folder), and puts a lock
// file in it ("lock", flock'ed) that it holds for as long as the folder stays
// listed: it tells a later run whether the run that made the folder is still
// alive. Best effort, as RegisterTemporary: without a lock (a file system
// without locks) the folder is only listed.
void ClaimScratchFolder(const std::filesystem::path& folder) noexcept;

// Takes a folder claimed by ClaimScratchFolder off the list and gives up its
// lock; call it once the folder is removed.
void ForgetScratchFolder(const std::filesystem::path& folder) noexcept;

// Removes the scratch folders in parent that a run ended by SIGKILL or a crash
// left behind: only folders (never a link) named exactly "quillmere-" and six
// letters or digits, owned by this user, with a lock file no live process
// holds; inside them only entries other than folders and empty folders are
// removed, and a folder with anything else left stays. Errors are ignored: nothing else depends on it.
void RemoveStaleScratchFolders(const std::filesystem::path& parent) noexcept;

// Whether folder is a scratch folder whose run is gone (its lock file is there
// and no live process holds it), as RemoveStaleScratchFolders decides.
bool IsStaleScratchFolder(const std::filesystem::path& folder) noexcept;

} // namespace quillmere
