// The real dialogs: Qt's file dialogs and message box.
#pragma once

#include "viewer/user_dialogs.h"

namespace corvex::viewer {

class SystemDialogs final : public UserDialogs {
public:
    std::optional<QString> open_file(QWidget* parent, const FileDialogRequest& request) override;
    std::optional<QString> save_file(QWidget* parent, const FileDialogRequest& request) override;
    void message(QWidget* parent, const QString& text, const QString& title) override;
    bool confirm(QWidget* parent, const QString& text, const QString& title) override;
};

}  // namespace corvex::viewer
