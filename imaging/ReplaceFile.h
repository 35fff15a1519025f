// Replacing a file without ever leaving a half-written one: the new content goes
// to a temporary file in the destination's folder, is flushed, and is renamed
// over the destination only when complete; then the folder is flushed so the
// rename survives a crash. On any failure (a full disk, a file-size limit: EFBIG)
// the destination is untouched and no temporary file remains. The temporary
// file's name is short (".qm" and eight hexadecimal digits), so any name the
// file system takes can be replaced.
#pragma once

#include "UniqueFd.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <sys/types.h>

namespace quillmere {

// "a FIFO", "a folder", "a socket", "a character device", "a block device",
// "a symbolic link", "a regular file": what an entry of this mode is, for messages.
std::string FileTypeName(mode_t mode);

// Opens name in folder (a folder descriptor, or AT_FDCWD for a path) to read it,
// without blocking (a FIFO never hangs the call) and, unless followLinks, without
// following a symbolic link as the last step. Only a regular file is accepted.
// Throws FileError naming shownName: the system's reason, or "it is a FIFO, not a
// regular file".
UniqueFd OpenFileToRead(int folder, const std::string& name, const std::string& shownName, bool followLinks);

// Replaces (or creates) the entry name of the folder open as folder (a descriptor
// opened for reading, so it can be flushed) with exactly these bytes. The entry
// must be a regular file its owner may write, or missing: a read-only file
// ("the file is read-only"), a folder or any other kind of file is refused. The
// file keeps its mode; a new one gets 0666 less the umask. Throws FileError
// naming shownName.
void ReplaceFileAt(int folder, const std::string& name, const std::string& shownName,
                   std::span<const std::uint8_t> bytes);

// The same with the content of source (a descriptor open for reading at its
// start). A source longer than maxBytes is refused ("is larger than ... bytes")
// and nothing is replaced. Throws FileError naming sourceName when the source
// cannot be read, else naming shownName.
void ReplaceFileAtWithCopy(int folder, const std::string& name, const std::string& shownName, int source,
                           const std::string& sourceName, std::uintmax_t maxBytes);

// Replaces target with exactly these bytes. Where target is a symbolic link (or a
// chain of them), the file it leads to is replaced, in its own folder, and the
// link stays; a link that leads nowhere creates that file. Throws FileError
// naming target; a missing folder and a folder that cannot be written are refused.
void ReplaceFileContents(const std::filesystem::path& target, std::span<const std::uint8_t> bytes);
// The same with the bytes of pieces, one after another: content that lies in
// separate buffers is written without first being copied into one.
void ReplaceFileContents(const std::filesystem::path& target,
                         std::span<const std::span<const std::uint8_t>> pieces);

// The same with the content of the regular file source, at most maxBytes of it.
// Throws FileError naming source when it cannot be read, else naming target.
void ReplaceFileWithCopy(const std::filesystem::path& source, const std::filesystem::path& target,
                         std::uintmax_t maxBytes);

// A regular file read whole to be changed and put back with ReplaceReadFile.
// Its folder is reached once and both the read and the replace go through it,
// so the replace lands on the very file that was read, wherever a link points
// meanwhile.
struct FileToChange {
    UniqueFd folder;              // the folder that holds it, open for reading
    std::string name;             // its name in that folder
    std::string shownName;        // the path the caller gave, for messages
    UniqueFd file;                // the file as read: its owner, mode and extended attributes
    struct stat status {};        // when read; st_dev and st_ino name the file
    std::vector<std::uint8_t> bytes;
};

// Reads path whole: where it is a symbolic link (or a chain), the file it leads
// to, in its own folder. Refuses, with FileError naming path, anything but a
// regular file, and a file longer than maxBytes (tooLarge is the reason given).
FileToChange ReadFileToChange(const std::filesystem::path& path, std::uintmax_t maxBytes,
                              const std::string& tooLarge);

// Replaces file with exactly these bytes, durably, as ReplaceFileAt does, and
// keeps what else it had: its mode, its extended attributes (user.DOSATTRIB
// among them) and, where this user may set them, its owner and group. Refused,
// with nothing changed, when its name no longer names the file that was read
// (another file or a link was put in its place), when the file is read-only,
// and when it has other names ("it has other names (hard links) ..."), which
// would keep the old content.
// Throws FileError naming file.shownName.
void ReplaceReadFile(const FileToChange& file, std::span<const std::uint8_t> bytes);

// The steps of every replace, in their order, for tests that check the replace
// is durable: the content flushed to disk before the rename, the folder after it.
// FileRead comes first, from ReadFileToChange alone: tests change the folder
// there, between the read and the replace.
enum class ReplaceStep { FileRead, ContentFlushed, Renamed, FolderFlushed };

// Flushes the folder open as folder after an entry in it was made, renamed or
// removed, so that the change survives a crash. File systems that cannot flush
// a folder (EINVAL, EROFS) make it as durable as they can, which counts as
// done. Returns 0, or the errno of the failure. Observers see
// ReplaceStep::FolderFlushed once the flush was asked for.
int FlushFolderEntries(int folder) noexcept;

// Calls observer after each step of every replace in this process, until it is
// called again with nullptr. Not for use while replaces run on other threads.
void ObserveReplaceSteps(void (*observer)(ReplaceStep)) noexcept;

} // namespace quillmere
