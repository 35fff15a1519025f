#include "DriveC.h"

#include "FileAttributes.h"

#include "imaging/Errors.h"
#include "imaging/ReplaceFile.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <sys/stat.h>

namespace quillmere {

namespace fs = std::filesystem;

namespace {

char FoldCase(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldCase(a[i]) != FoldCase(b[i]))
            return false;
    }
    return true;
}

// The entry of folder that matches name ignoring letter case, as it is spelled.
// Among several (LOGO.SYS beside logo.sys) the first in name order, whatever
// the spelling asked for, so that every spelling finds the same file.
std::optional<std::string> FindEntry(const fs::path& folder, const std::string& name)
{
    std::error_code ec;
    std::optional<std::string> found;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        std::string entry = it->path().filename().string();
        if (SameIgnoringCase(entry, name) && (!found || entry < *found))
            found = std::move(entry);
    }
    return found;
}

// path lies in folder or is folder; both are canonical.
bool IsWithin(const fs::path& path, const fs::path& folder)
{
    return std::mismatch(folder.begin(), folder.end(), path.begin(), path.end()).first == folder.end();
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace

DriveC::DriveC(fs::path root, bool practiceDrive) : root_(std::move(root)), practice_(practiceDrive) {}

DriveC DriveC::Open(const std::string& option)
{
    std::string chosen = option.empty() ? Environment("QUILLMERE_DRIVE_C") : option;
    if (!chosen.empty()) {
        const fs::path root = fs::absolute(fs::path(chosen));
        struct stat st {};
        if (::stat(root.c_str(), &st) != 0)
            throw FileError(root.string(), errno == ENOENT ? "the drive C: folder does not exist" : std::strerror(errno));
        if (!S_ISDIR(st.st_mode))
            throw FileError(root.string(), "the drive C: folder is not a folder");
        return DriveC(root, false);
    }

    // The XDG base-directory rules: an unset, empty or relative XDG_DATA_HOME means the default.
    fs::path data = Environment("XDG_DATA_HOME");
    if (data.empty() || data.is_relative()) {
        const std::string home = Environment("HOME");
        if (home.empty())
            throw FileError("$HOME", "is not set, so there is no practice drive; name a drive C: folder");
        data = fs::path(home) / ".local" / "share";
    }
    const fs::path root = data / "quillmere" / "drive_c";
    std::error_code ec;
    const fs::file_status status = fs::status(root, ec);
    if (status.type() == fs::file_type::not_found) {
        fs::create_directories(root / "Windows", ec);
        if (ec)
            throw FileError(root.string(), "cannot create the practice drive: " + ec.message());
    } else if (!fs::is_directory(status)) {
        throw FileError(root.string(), "the practice drive is not a folder");
    }
    return DriveC(root, true);
}

fs::path DriveC::Resolve(std::string_view drivePath) const
{
    if (drivePath.size() < 2 || FoldCase(drivePath[0]) != 'c' || drivePath[1] != ':')
        throw Error(std::string(drivePath) + ": not a path on drive C:");
    fs::path host = root_;
    bool present = true; // while every step so far exists, look the next one up
    std::size_t start = 2;
    while (start <= drivePath.size()) {
        std::size_t end = drivePath.find('\\', start);
        if (end == std::string_view::npos)
            end = drivePath.size();
        const std::string step(drivePath.substr(start, end - start));
        start = end + 1;
        if (step.empty())
            continue;
        if (step == "." || step == ".." || step.find('/') != std::string::npos ||
            step.find('\0') != std::string::npos)
            throw Error(std::string(drivePath) + ": a path on drive C: may not use \"" + step + "\"");
        std::optional<std::string> entry;
        if (present)
            entry = FindEntry(host, step);
        present = entry.has_value();
        host /= entry ? *entry : step;
    }

    // A symbolic link could lead anywhere; one that leads off the drive is
    // refused like "..", so nothing outside the root is read, changed or replaced.
    std::error_code ec;
    const fs::path base = fs::canonical(root_, ec);
    if (ec)
        throw FileError(root_.string(), ec.message());
    const fs::path real = fs::weakly_canonical(host, ec);
    if (ec || !IsWithin(real, base))
        throw FileError(std::string(drivePath), "leads outside drive C: through a symbolic link");
    return host;
}

std::optional<std::uint32_t> DriveC::Attributes(std::string_view drivePath) const noexcept
{
    try {
        return ReadFileAttributes(Resolve(drivePath));
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

bool DriveC::Exists(std::string_view drivePath) const noexcept
{
    const std::optional<std::uint32_t> attributes = Attributes(drivePath);
    return attributes && !(*attributes & (kAttrHidden | kAttrSystem));
}

std::error_code DriveC::ChangeAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept
{
    try {
        return WriteFileAttributes(Resolve(fullFilePath.substr(0, kMaxAttributePath)), fileAttributes);
    } catch (const std::bad_alloc&) {
        return std::make_error_code(std::errc::not_enough_memory);
    } catch (const std::exception&) {
        return std::make_error_code(std::errc::invalid_argument);
    }
}

std::int32_t DriveC::SetAttributes(std::string_view fullFilePath, std::uint32_t fileAttributes) const noexcept
{
    return ChangeAttributes(fullFilePath, fileAttributes) ? 0 : 1;
}

void DriveC::MakeFolder(std::string_view drivePath) const
{
    const fs::path folder = Resolve(drivePath);
    if (::mkdir(folder.c_str(), 0777) != 0)
        throw FileError(folder.string(), std::strerror(errno));
}

void DriveC::CopyFile(const fs::path& source, std::string_view target) const
{
    ReplaceFileWithCopy(source, Resolve(target));
}

} // namespace quillmere
