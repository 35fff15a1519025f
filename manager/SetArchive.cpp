#include "SetArchive.h"

#include "LogoFormat.h"
#include "LogoManager.h"
#include "Sha256.h"
#include "ZipArchive.h"

#include "imaging/ReplaceFile.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace quillmere {

namespace {

// The names a set's files have in its zip, Startup, Wait, Safe.
constexpr std::array<std::string_view, 3> kMemberNames = {"logo.sys", "logow.sys", "logos.sys"};
// The endings that make an entry a logo of each kind, without the extension.
constexpr std::array<std::string_view, 3> kKindWords = {"logo", "logow", "logos"};

std::string Lower(std::string_view text)
{
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

// Separators as "/", so a zip made on Windows compares like any other.
std::string Slashed(std::string_view name)
{
    std::string slashed(name);
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    return slashed;
}

std::span<const unsigned char> Bytes(const std::string& text)
{
    return {reinterpret_cast<const unsigned char*>(text.data()), text.size()};
}

struct Candidate {
    const ZipEntry* entry;
    std::size_t kind;
    std::string folder; // with its trailing "/", empty at the top
    std::string prefix; // what comes before the kind's ending in the file name
    bool sys;
    std::string Group() const { return folder + prefix; }
};

std::vector<Candidate> Candidates(const std::vector<ZipEntry>& entries)
{
    std::vector<Candidate> found;
    for (const ZipEntry& entry : entries) {
        if (entry.folder)
            continue;
        const std::string name = Slashed(entry.name);
        const std::size_t cut = name.rfind('/') + 1; // 0 when there is no folder
        const std::string file = name.substr(cut);
        const std::string lower = Lower(file);
        for (std::size_t kind = 0; kind < kKindWords.size(); ++kind) {
            for (const std::string_view extension : {".sys", ".bmp"}) {
                const std::string ending = std::string(kKindWords[kind]) + std::string(extension);
                if (!lower.ends_with(ending))
                    continue;
                const bool sys = extension == ".sys";
                // A picture counts only as a logo: a preview or a screenshot of
                // another size is a pack's decoration.
                if (!sys && !HasLogoSize(entry.size))
                    continue;
                found.push_back(
                    {&entry, kind, name.substr(0, cut), file.substr(0, file.size() - ending.size()), sys});
            }
        }
    }
    return found;
}

std::string Quoted(const std::string& group)
{
    return "\"" + group + "\"";
}

std::vector<std::string> Groups(const std::vector<Candidate>& candidates)
{
    std::vector<std::string> groups;
    for (const Candidate& c : candidates) {
        if (std::find(groups.begin(), groups.end(), c.Group()) == groups.end())
            groups.push_back(c.Group());
    }
    std::sort(groups.begin(), groups.end());
    return groups;
}

std::string GroupList(const std::vector<std::string>& groups)
{
    std::string list;
    for (const std::string& g : groups)
        list += (list.empty() ? "" : ", ") + Quoted(g);
    return list;
}

// A manifest.txt written by ExportSet: "file: NAME SIZE SHA256" lines, keyed by
// the lower-case name.
struct Listed {
    std::string name;
    std::string size;
    std::string sha256;
};

std::vector<Listed> ManifestFiles(const std::string& text)
{
    std::vector<Listed> files;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r'))
            line.pop_back();
        if (!line.starts_with("file: "))
            continue;
        // The name is the set's own (no spaces); size and digest follow it.
        const std::string rest = line.substr(6);
        const std::size_t a = rest.find(' ');
        const std::size_t b = a == std::string::npos ? a : rest.find(' ', a + 1);
        if (b == std::string::npos)
            continue;
        files.push_back({Lower(rest.substr(0, a)), rest.substr(a + 1, b - a - 1), Lower(rest.substr(b + 1))});
    }
    return files;
}

} // namespace

std::string SetManifest(int set, const SetLogos& logos)
{
    std::string text = "Quillmere logo set\n"
                       "program: Quillmere\n"
                       "version: " QUILLMERE_VERSION "\n"
                       "set: " +
                       std::to_string(set) + "\n";
    for (std::size_t k = 0; k < logos.size(); ++k) {
        if (logos[k])
            text += "file: " + std::string(kMemberNames[k]) + " " + std::to_string(logos[k]->size()) + " " +
                    Sha256Hex(Bytes(*logos[k])) + "\n";
    }
    return text;
}

std::vector<std::uint8_t> MakeSetArchive(int set, const SetLogos& logos)
{
    std::vector<ZipMember> members;
    for (std::size_t k = 0; k < logos.size(); ++k) {
        if (logos[k])
            members.push_back({std::string(kMemberNames[k]), *logos[k]});
    }
    if (members.empty())
        throw Error("set " + std::to_string(set) +
                    " is empty: no logo was ever saved in it, so there is nothing "
                    "to export");
    members.push_back({std::string(kManifestName), SetManifest(set, logos)});
    return MakeZip(members);
}

PackedSet ReadSetPack(std::span<const std::uint8_t> zip, const std::string& shownName,
                      const std::optional<std::string>& prefix)
{
    const ZipReader reader(zip, shownName);
    std::vector<Candidate> candidates = Candidates(reader.Entries());
    if (candidates.empty())
        throw FileError(shownName,
                        "it holds no logo: no entry's name ends in logo.sys, logow.sys or logos.sys, nor "
                        "is there a logo.bmp, logow.bmp or logos.bmp of a logo's size");
    const std::vector<std::string> groups = Groups(candidates);
    if (prefix) {
        const std::string wanted = Lower(Slashed(*prefix));
        std::erase_if(candidates, [&wanted](const Candidate& c) {
            return Lower(c.prefix) != wanted && Lower(c.Group()) != wanted;
        });
        if (candidates.empty())
            throw PackChoiceError(shownName,
                                  "no logo in it has the prefix " + Quoted(*prefix) + " (groups " +
                                      GroupList(groups) + ")",
                                  groups);
    }

    std::array<const Candidate*, 3> chosen{};
    for (const Candidate& c : candidates) {
        if (chosen[c.kind]) {
            std::vector<std::string> same;
            for (const Candidate& d : candidates) {
                if (d.kind == c.kind)
                    same.push_back(d.entry->name);
            }
            std::string names;
            for (std::size_t i = 0; i < same.size(); ++i)
                names += (i == 0 ? "" : i + 1 == same.size() ? " and " : ", ") + same[i];
            throw PackChoiceError(shownName,
                                  names + " could each be the " + std::string(LogoSlots()[c.kind].name) +
                                      " logo (groups " + GroupList(Groups(candidates)) + ")",
                                  Groups(candidates));
        }
        chosen[c.kind] = &c;
    }
    std::vector<std::string> folders;
    for (const Candidate* c : chosen) {
        if (c && std::find(folders.begin(), folders.end(), c->folder) == folders.end())
            folders.push_back(c->folder);
    }
    if (folders.size() > 1) {
        std::string names;
        for (const Candidate* c : chosen) {
            if (c)
                names += (names.empty() ? "" : ", ") + c->entry->name;
        }
        throw PackChoiceError(shownName,
                              "its logos lie in different folders (" + names + "; groups " +
                                  GroupList(Groups(candidates)) + ")",
                              Groups(candidates));
    }

    PackedSet pack;
    for (std::size_t k = 0; k < chosen.size(); ++k) {
        if (!chosen[k])
            continue;
        const ZipEntry& entry = *chosen[k]->entry;
        if (!HasLogoSize(entry.size))
            throw FileError(shownName, "entry " + entry.name + " is not a valid Logo format (" +
                                           std::to_string(entry.size) +
                                           " bytes; a logo has more than 128000 and fewer than 131000)");
        pack.logos[k] = reader.Read(entry);
        pack.entries[k] = entry.name;
    }

    // A manifest beside the logos is ours: a file it lists must be as it says.
    const std::string manifestPath = folders.front() + std::string(kManifestName);
    for (const ZipEntry& entry : reader.Entries()) {
        if (entry.folder || Lower(Slashed(entry.name)) != Lower(manifestPath))
            continue;
        const std::vector<Listed> listed = ManifestFiles(reader.Read(entry));
        for (std::size_t k = 0; k < chosen.size(); ++k) {
            if (!chosen[k])
                continue;
            const std::string name = Slashed(pack.entries[k]);
            const std::string file = Lower(name.substr(name.rfind('/') + 1));
            for (const Listed& l : listed) {
                if (l.name != file)
                    continue;
                if (l.size != std::to_string(pack.logos[k]->size()) ||
                    l.sha256 != Sha256Hex(Bytes(*pack.logos[k])))
                    throw FileError(shownName,
                                    "entry " + pack.entries[k] + " is not the file its " +
                                        std::string(kManifestName) +
                                        " lists (another size or SHA-256): the zip was changed or damaged");
            }
        }
    }
    return pack;
}

PackedSet ReadSetPackFile(const std::filesystem::path& zipFile, const std::optional<std::string>& prefix)
{
    const std::string shown = zipFile.string();
    const UniqueFd fd = OpenFileToRead(AT_FDCWD, shown, shown, true);
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw FileError(shown, std::strerror(errno));
        if (n == 0)
            break;
        bytes.insert(bytes.end(), buffer, buffer + n);
        if (bytes.size() > kMaxZipFileBytes)
            throw FileError(shown, "it is larger than " + std::to_string(kMaxZipFileBytes) +
                                       " bytes, far more than a logo pack needs");
    }
    return ReadSetPack(bytes, shown, prefix);
}

void ExportSet(const LogoManager& manager, int set, const std::filesystem::path& zipFile)
{
    const std::vector<std::uint8_t> zip = MakeSetArchive(set, manager.ReadSet(set));
    ReplaceFileContents(zipFile, zip);
}

PackedSet ImportSet(LogoManager& manager, int set, const std::filesystem::path& zipFile,
                    const std::optional<std::string>& prefix)
{
    // The set number is checked before the zip is read.
    SetBackupNumber(set);
    PackedSet pack = ReadSetPackFile(zipFile, prefix);
    manager.ReplaceSet(set, pack.logos);
    return pack;
}

} // namespace quillmere
