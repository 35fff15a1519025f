// What one step of a Logo Manager operation did to one file, so that the
// windows and the command line can tell the user.
#pragma once

#include <string>

namespace quillmere {

enum class FileStep {
    MakeFolder,
    ClearAttributes,
    Copy,
    Examine, // reading what a path holds; never done when reported
    Record,  // writing the record of the originals still owed
    Remove,  // removing an installed logo
};

struct FileResult {
    FileStep step = FileStep::Copy;
    std::string source{}; // Copy: the file copied (a drive path, or a host path for a picture file)
    std::string target{}; // the drive path acted on, spelled as the step writes it
    bool done = false;
    // Done: what changed, when worth telling (ClearAttributes: "read-only, hidden").
    // Not done: why, for the user ("C:\VH Backups\Logo.C4K does not exist").
    std::string detail{};
    bool sourceMissing = false; // Copy not done because there was nothing to copy
    bool notTried = false;      // not done, and not even tried: detail is the whole reason
};

// One line for the user: "copied C:\Logo.sys to C:\VH Backups\Logo.C2K",
// "did not copy ... : why", "could not read C:\\VH Backups: Permission denied".
std::string Describe(const FileResult& result);

// Why a step was not done, naming the file once, for a sentence of a message:
// "C:\Windows\Logow.sys is a folder", "/home/me/ready.bmp does not exist",
// "C:\Logo.sys: the file is read-only".
std::string FailureReason(const FileResult& result);

} // namespace quillmere
