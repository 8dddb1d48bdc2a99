// frmDelimiter, "Choose Delimiter": edits the field delimiter of the
// delimited-text export.
//
// The dialog reads the stored delimiter when it is made. OK stores the text
// and hides the dialog, Cancel only hides it; both keep it, so a later showing
// presents the text as it was left. Its close box unloads it instead: the
// owner then deletes it, and the next showing reads the stored delimiter
// afresh. The text is not validated: empty, a blank or several characters
// are stored as typed.
#pragma once

#include <functional>
#include <string>

#include <QDialog>

class QLineEdit;

namespace corvex::viewer {

class SettingsStore;

// The stored field delimiter, "," when none is stored: what the dialog
// shows, the delimited export writes and copied cells are joined with.
std::string stored_delimiter(const SettingsStore& settings);

class DelimiterDialog final : public QDialog {
    Q_OBJECT

public:
    using FailureFn = std::function<void(const std::string& failure)>;

    // `on_store_failure` hears why OK could not store the delimiter.
    DelimiterDialog(SettingsStore& settings, FailureFn on_store_failure, QWidget* parent);

    // True once the user closed the dialog with its close box.
    bool closed_by_close_box() const noexcept { return closed_by_close_box_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void store_and_hide();

    SettingsStore& settings_;
    FailureFn on_store_failure_;
    QLineEdit* txt_delimiter_ = nullptr;
    bool closed_by_close_box_ = false;
};

}  // namespace corvex::viewer
