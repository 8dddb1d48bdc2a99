#include "viewer/system_dialogs.h"

#include <QFileDialog>
#include <QMessageBox>

namespace corvex::viewer {

namespace {

std::optional<QString> run_file_dialog(QWidget* parent, const FileDialogRequest& request, bool save) {
    QFileDialog dialog(parent, request.title, request.folder);
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !request.confirm_overwrite);
    dialog.setNameFilters(request.filters);
    if (request.filter_index >= 0 && request.filter_index < request.filters.size())
        dialog.selectNameFilter(request.filters.at(request.filter_index));
    if (!request.file_name.isEmpty()) dialog.selectFile(request.file_name);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.front().isEmpty()) return std::nullopt;
    return chosen.front();
}

}  // namespace

std::optional<QString> SystemDialogs::open_file(QWidget* parent, const FileDialogRequest& request) {
    return run_file_dialog(parent, request, false);
}

std::optional<QString> SystemDialogs::save_file(QWidget* parent, const FileDialogRequest& request) {
    return run_file_dialog(parent, request, true);
}

void SystemDialogs::message(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, parent);
    box.exec();
}

bool SystemDialogs::confirm(QWidget* parent, const QString& text, const QString& title) {
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

}  // namespace corvex::viewer
