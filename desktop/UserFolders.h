// Folders of the user's desktop that the windows start in.
#pragma once

#include <filesystem>

namespace quillmere {

// The user's pictures folder (XDG_PICTURES_DIR, as the desktop's user-dirs.dirs
// names it) while it exists, else the home folder.
std::filesystem::path UserPicturesFolder();

} // namespace quillmere
