#include "ManagerPlatform.h"

#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

namespace quillmere {

void QtManagerMessages::Information(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::information(parent, title, text);
}

void QtManagerMessages::Warning(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}

bool QtManagerMessages::AskYesNo(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    return box.exec() == QMessageBox::Yes;
}

std::optional<std::filesystem::path> QtFolderChooser::Choose(QWidget* parent, const QString& title,
                                                             const std::filesystem::path& start)
{
    const QString chosen = QFileDialog::getExistingDirectory(parent, title, QFile::decodeName(QByteArray::fromStdString(start.native())));
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

} // namespace quillmere
