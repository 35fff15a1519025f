// The windows' conversions between the core's texts and paths and Qt's
// strings: the program's own texts are UTF-8; file names are bytes in the
// locale's encoding, as the file system hands them over.
#pragma once

#include <QString>

#include <filesystem>
#include <string_view>

namespace quillmere {

inline QString Text(std::string_view s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

inline QString PathText(const std::filesystem::path& p) { return QString::fromLocal8Bit(p.native()); }

inline std::filesystem::path TextPath(const QString& s) { return std::filesystem::path(s.toLocal8Bit().toStdString()); }

} // namespace quillmere
