#include "desktop/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace quillmere {

std::optional<QString> QtSaveDialog::Ask(QWidget* parent, const SaveRequest& request)
{
    QFileDialog dialog(parent, request.title, request.folder, request.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The dialog asks before replacing a file (its default) and adds the
    // suffix to a name typed without one.
    dialog.setDefaultSuffix(request.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

std::optional<QString> QtOpenDialog::Ask(QWidget* parent, const OpenRequest& request)
{
    const QString chosen = QFileDialog::getOpenFileName(parent, request.title, request.folder, request.filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void QtMessageBoxes::Warning(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::warning(parent, title, text);
}

void QtMessageBoxes::Information(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::information(parent, title, text);
}

} // namespace quillmere
