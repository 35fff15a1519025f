// A logo set as one zip file, and the logo packs people shared before there
// was one: zips of "e1-logo.sys", "e1-logow.sys", "e1-logos.sys" and a readme,
// or one zip per logo.
//
// The zip of a set holds logo.sys, logow.sys and logos.sys (those the set has)
// and manifest.txt: the program, its version, the set's number and each file's
// size and SHA-256.
#pragma once

#include "LogoSlot.h"

#include "imaging/Errors.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

class LogoManager;

inline constexpr std::string_view kManifestName = "manifest.txt";

// The manifest of set with these logos.
std::string SetManifest(int set, const SetLogos& logos);

// The zip of set with these logos, as bytes. Throws Error when logos holds none.
std::vector<std::uint8_t> MakeSetArchive(int set, const SetLogos& logos);

// The logos of a set taken out of a zip, and the entry each came from.
struct PackedSet {
    SetLogos logos;
    std::array<std::string, 3> entries; // empty where logos has none
};

// A pack whose entries could make more than one set: two entries that could
// be the same kind, logos in different folders, or none with the prefix asked
// for. The reason lists the groups; groups() are the prefixes that pick one
// (as ReadSetPack's prefix takes them).
class PackChoiceError : public FileError {
public:
    PackChoiceError(std::string file, std::string reason, std::vector<std::string> groups)
        : FileError(std::move(file), std::move(reason)), groups_(std::move(groups))
    {
    }
    const std::vector<std::string>& groups() const noexcept { return groups_; }

private:
    std::vector<std::string> groups_;
};

// The set a zip holds (ZipReader's bounds apply). An entry is a logo of a kind
// when its file name ends, in any letter case, in logo.sys, logow.sys or
// logos.sys (Startup, Wait, Safe), or in logo.bmp, logow.bmp or logos.bmp and
// it has a logo's size (LogoFormat.h); what comes before that ending is its
// prefix. The logos must all lie in one folder of the zip, one entry per kind;
// prefix, when given, keeps only the entries whose prefix, or folder and
// prefix ("pack/e1-"), it is, ignoring letter case. A .sys entry without a
// logo's size, and an entry that does not match the size and SHA-256 that a
// manifest.txt beside it lists, are refused. Throws FileError naming
// shownName (PackChoiceError where a prefix would settle it), and what
// ZipReader throws.
PackedSet ReadSetPack(std::span<const std::uint8_t> zip, const std::string& shownName,
                      const std::optional<std::string>& prefix);

// The same for a zip file, read whole (at most kMaxZipFileBytes). Throws
// FileError naming zipFile.
PackedSet ReadSetPackFile(const std::filesystem::path& zipFile, const std::optional<std::string>& prefix);

// Writes set s of manager's drive C: to zipFile, durably (a temporary file
// beside it, then a rename). Throws Error when the set is empty, and what
// LogoManager::ReadSet and the write throw.
void ExportSet(const LogoManager& manager, int set, const std::filesystem::path& zipFile);

// Takes set s back from zipFile (ReadSetPack's rules) into manager's drive C:,
// all of it or nothing (LogoManager::ReplaceSet). A kind the zip lacks keeps
// the set's file of that kind. Returns what was taken.
PackedSet ImportSet(LogoManager& manager, int set, const std::filesystem::path& zipFile,
                    const std::optional<std::string>& prefix);

} // namespace quillmere
