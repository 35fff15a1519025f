#include "widgets/BrowserListing.h"

#include <algorithm>
#include <system_error>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere {

namespace {

char LowerAscii(char c) noexcept { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Reads folder's entries, kind by stat (through links). The handle is closed
// on every path out.
template <typename Keep>
bool ReadFolder(const std::filesystem::path& folder, std::vector<std::string>& names, Keep keep)
{
    names.clear();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    const int fd = ::dirfd(dir);
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name.empty() || name.front() == '.')
            continue;
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, 0) != 0)
            continue; // a dangling link, or an entry gone since readdir
        if (keep(name, st.st_mode))
            names.emplace_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return LessIgnoringCase(a, b);
    });
    return true;
}

bool Readable(const std::filesystem::path& folder)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return false;
    ::closedir(dir);
    return true;
}

} // namespace

bool LessIgnoringCase(std::string_view a, std::string_view b) noexcept
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const char x = LowerAscii(a[i]), y = LowerAscii(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

bool MatchesPattern(std::string_view name, std::string_view patterns)
{
    const std::string file(name);
    std::size_t start = 0;
    while (start <= patterns.size()) {
        const std::size_t end = std::min(patterns.find(';', start), patterns.size());
        const std::string pattern(patterns.substr(start, end - start));
        if (!pattern.empty() && ::fnmatch(pattern.c_str(), file.c_str(), FNM_CASEFOLD | FNM_PERIOD) == 0)
            return true;
        start = end + 1;
    }
    return false;
}

bool ListFiles(const std::filesystem::path& folder, std::string_view patterns, std::vector<std::string>& names)
{
    return ReadFolder(folder, names, [patterns](std::string_view name, mode_t mode) {
        return S_ISREG(mode) && MatchesPattern(name, patterns);
    });
}

bool ListSubfolders(const std::filesystem::path& folder, std::vector<std::string>& names)
{
    return ReadFolder(folder, names, [](std::string_view, mode_t mode) { return S_ISDIR(mode); });
}

std::vector<std::filesystem::path> PathDown(const std::filesystem::path& folder)
{
    std::vector<std::filesystem::path> down;
    std::filesystem::path step;
    for (const auto& part : folder) {
        if (part.empty())
            continue; // the empty element after a trailing separator
        step /= part;
        down.push_back(step);
    }
    return down;
}

std::filesystem::path NearestReadableFolder(const std::filesystem::path& folder)
{
    std::error_code ec;
    std::filesystem::path at = std::filesystem::absolute(folder, ec);
    if (ec)
        at = "/";
    at = at.lexically_normal();
    if (at.has_relative_path() && !at.has_filename())
        at = at.parent_path(); // "/a/b/" -> "/a/b"
    while (!Readable(at) && at.has_relative_path())
        at = at.parent_path();
    return at;
}

} // namespace quillmere
