#include "FileResult.h"

#include "imaging/Errors.h"

namespace quillmere {

std::string Describe(const FileResult& r)
{
    std::string line;
    switch (r.step) {
    case FileStep::MakeFolder:
        line = (r.done ? "created " : "did not create ") + r.target;
        break;
    case FileStep::ClearAttributes:
        line = (r.done ? "cleared the attributes of " : "did not clear the attributes of ") + r.target;
        if (r.done && !r.detail.empty())
            return line + " (it was " + r.detail + ")";
        break;
    case FileStep::Examine:
        line = "could not read " + r.target;
        break;
    case FileStep::Record:
        line = (r.done ? "updated " : "did not update ") + r.target;
        break;
    case FileStep::Copy:
        line = (r.done ? "copied " : "did not copy ") + r.source + " to " + r.target;
        break;
    case FileStep::Remove:
        line = (r.done ? "removed " : "did not remove ") + r.target;
        break;
    }
    if (!r.done && !r.detail.empty())
        line += ": " + r.detail;
    return line;
}

std::string FailureReason(const FileResult& r)
{
    if (r.notTried || r.sourceMissing)
        return r.detail;
    for (const std::string* file : {&r.target, &r.source}) {
        if (file->empty())
            continue;
        if (r.detail.starts_with(*file + ": "))
            return FileReason(*file, r.detail.substr(file->size() + 2));
        if (r.detail.starts_with(*file + " "))
            return r.detail;
    }
    // An error of another file (a folder on the way, the disk image) names it itself.
    if (r.detail.starts_with("C:\\") || r.detail.starts_with("/"))
        return r.detail;
    return FileReason(r.target, r.detail);
}

} // namespace quillmere
