// What the drive, folder and file lists of a browser show, worked out without
// Qt: names as the file system gives them (bytes), sorted so that the same
// index names the same file in every list on the same folder.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

// The picture files the windows offer.
inline constexpr std::string_view kPicturePattern = "*.bmp;*.gif;*.jpg;*.jpeg;*.sys";

// Name order ignoring the case of ASCII letters; names equal but for case are
// then ordered by their bytes, so the order is total and the same everywhere.
bool LessIgnoringCase(std::string_view a, std::string_view b) noexcept;

// True when name matches one of the patterns separated by ";" ("*.bmp;*.gif"),
// without regard to letter case.
bool MatchesPattern(std::string_view name, std::string_view patterns);

// The names of the regular files in folder (a link counts as what it leads to)
// that match patterns, in LessIgnoringCase order. Hidden files (a name that
// starts with ".") are left out. False when the folder cannot be read.
bool ListFiles(const std::filesystem::path& folder, std::string_view patterns, std::vector<std::string>& names);

// The names of the folders in folder, hidden ones left out, in the same order.
// False when the folder cannot be read.
bool ListSubfolders(const std::filesystem::path& folder, std::vector<std::string>& names);

// The folders from the root down to folder, both included ("/", "/home",
// "/home/ann" for "/home/ann"). folder is absolute and normal.
std::vector<std::filesystem::path> PathDown(const std::filesystem::path& folder);

// folder made absolute and normal (no ".", "..", trailing separator); then,
// when it cannot be read, the nearest folder above it that can ("/" at worst).
std::filesystem::path NearestReadableFolder(const std::filesystem::path& folder);

} // namespace quillmere
