#include "UserFolders.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace quillmere {

std::filesystem::path UserPicturesFolder()
{
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    std::error_code ec;
    const std::filesystem::path folder = QFile::encodeName(pictures).toStdString();
    if (!pictures.isEmpty() && std::filesystem::is_directory(folder, ec))
        return folder;
    return QFile::encodeName(QDir::homePath()).toStdString();
}

} // namespace quillmere
