// The FAT work on a disk image is done by mtools, the long-kept user-space FAT
// implementation: one program run per step, never through a shell, each file
// name one argument, the user's own mtools configuration ignored and the
// geometry checks off (a partition inside a hard-disk image has no floppy
// geometry). Folders are read from the image's own bytes (FatFolder.h), never
// from mtools' listings, whose lines a name could imitate.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
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

// The program's path in an absolute folder of PATH, if it is there.
std::optional<std::string> FindProgram(std::string_view program);

// Whether name is a valid 8.3 name (any letter case): the form DOS finds files
// by at start-up, and a name mtools can never read as a pattern.
bool IsShortName(std::string_view name);

// The first line of mtools' complaint, for a message.
std::string MtoolsComplaint(const MtoolsRun& run);

} // namespace quillmere
