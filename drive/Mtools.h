// The FAT work on a disk image is done by mtools, the long-kept user-space FAT
// implementation: one program run per step, never through a shell, each file
// name one argument, the user's own mtools configuration ignored and the
// geometry checks off (a partition inside a hard-disk image has no floppy
// geometry). All of mtools' output is read here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

struct MtoolsRun {
    int status = -1;    // the exit status; -1 when it did not exit normally
    std::string out;    // standard output, at most the bytes asked for
    std::string err;    // standard error
    bool outCut = false; // standard output went on past the bytes asked for
};

class Mtools {
public:
    // imageFd is an open descriptor of the image (it is passed on to each
    // program, so every run works on the file examined, whatever happens to its
    // name); offset is where the FAT volume starts. scratch is a private folder
    // for the empty configuration file and the files copied in.
    Mtools(int imageFd, std::uint64_t offset, std::filesystem::path scratch);

    // The drive-letterless mtools name of a path ("::/VH Backups/Logo.C1K").
    static std::string Name(const std::vector<std::string>& steps);

    // Runs the mtools program (mdir, mattrib, mcopy, ...) with "-i IMAGE@@OFFSET"
    // and args, standard input from /dev/null. Throws Error when it cannot be
    // started or runs longer than a minute (then it is killed).
    MtoolsRun Run(std::string_view program, const std::vector<std::string>& args,
                  std::size_t maxOut = 1u << 20) const;

    // How many programs this process has run, for the benchmark's count.
    static unsigned long RunCount() noexcept;

private:
    int imageFd_;
    std::uint64_t offset_;
    std::filesystem::path scratch_;
    std::vector<std::string> environment_;
};

// One entry of a folder listing (mdir -a): the name Windows shows (the long
// name, else the short name as its case bits spell it), the 8.3 name, and what
// it is. A folder's "." and ".." are entries too (dot), as mattrib lists them.
struct MtoolsEntry {
    std::string name;
    std::string shortName;
    bool folder = false;
    bool dot = false;
    std::uintmax_t size = 0;
};

struct MtoolsFolder {
    std::string name; // as mtools names it: "::/", "::/VHBACK~1"
    std::vector<MtoolsEntry> entries;
    // mdir's own count of the folder's entries ("4 files"), -1 when it gave
    // none; a listing whose count differs from its entries was misread.
    long counted = -1;
};

// The folders an mdir -a run listed, in its order.
std::vector<MtoolsFolder> ParseMdir(std::string_view out);

// The attributes (FileAttributes.h: read-only, hidden, system, archive) of each
// path an mattrib run listed, in its order: {"::/Windows/Logow.sys", 0x23}.
std::vector<std::pair<std::string, std::uint32_t>> ParseMattrib(std::string_view out);

// Whether name is a valid 8.3 name (any letter case): the form DOS finds files
// by at start-up, and a name mtools can never read as a pattern.
bool IsShortName(std::string_view name);

// The first line of mtools' complaint, for a message.
std::string MtoolsComplaint(const MtoolsRun& run);

} // namespace quillmere
