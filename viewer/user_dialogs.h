// The modal dialogs the viewer asks the user through: the open and save file
// dialogs and the one-button message box. The window and the exports talk to
// this interface only, so tests answer the dialogs from a script instead of
// waiting for a person.
#pragma once

#include <optional>

#include <QString>
#include <QStringList>

class QWidget;

namespace corvex::viewer {

struct FileDialogRequest {
    QString title;             // empty: the platform's default title
    QStringList filters;       // "Log Files (*.log)", ...
    int filter_index = 0;      // the filter shown first
    QString folder;            // initial folder; empty: the platform's choice
    QString file_name;         // proposed file name (may carry a folder of its own)
    bool confirm_overwrite = false;
    bool confirm_create = false;  // ask before a name that names no file yet
};

class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // The chosen path; nullopt when the user cancels.
    virtual std::optional<QString> open_file(QWidget* parent, const FileDialogRequest& request) = 0;
    virtual std::optional<QString> save_file(QWidget* parent, const FileDialogRequest& request) = 0;

    // A message box with an OK button and no icon.
    virtual void message(QWidget* parent, const QString& text, const QString& title) = 0;

    // A question with Yes and No buttons; true for Yes.
    virtual bool confirm(QWidget* parent, const QString& text, const QString& title) = 0;
};

}  // namespace corvex::viewer
