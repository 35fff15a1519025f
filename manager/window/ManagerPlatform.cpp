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

std::optional<std::filesystem::path> QtFolderChooser::ChooseImage(QWidget* parent, const QString& title,
                                                                  const std::filesystem::path& start)
{
    // The format is read from the file itself; the endings only narrow the list.
    const QString chosen = QFileDialog::getOpenFileName(
        parent, title, QFile::decodeName(QByteArray::fromStdString(start.native())),
        QStringLiteral("Disk images (*.vhd *.vdi *.qcow2 *.vmdk *.vhdx *.img *.ima *.hdd *.raw *.bin *.dsk "
                       "*.VHD *.VDI *.QCOW2 *.VMDK *.VHDX *.IMG *.IMA *.HDD *.RAW *.BIN *.DSK);;All files (*)"));
    if (chosen.isEmpty())
        return std::nullopt;
    return std::filesystem::path(QFile::encodeName(chosen).toStdString());
}

} // namespace quillmere
