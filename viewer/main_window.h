// frmCorvexViewer, the viewer's main window: one open log at a time, its
// header fields, flags and unit list, the export options and the Export
// button, and a status box that collects one line per event. Below the
// header the data views: the plot, the records table with the time range
// and "go to", and the statistics of the selected units over the range.
//
// Controls carry their historical names as object names ("txtFileName",
// "lstUnits", "cmdExport", "pb1", "txtStatus", ...), menu actions too
// ("mnuFileOpen", "mnuOptionsDelimiter", "mnuHelpAbout"); the new ones are
// named in the same way ("tblRecords", "txtRangeFrom", "cmdCancel", ...).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <QMainWindow>
#include <QPointer>
#include <QString>

#include "corvex/corvex.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/expected.h"
#include "export/record_source.h"
#include "export/time_range.h"
#include "viewer/log_module.h"
#include "viewer/module_version.h"
#include "viewer/work/log_scan.h"

class QAction;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QShortcut;
class QSplitter;
class QTableView;
class QTableWidget;

namespace corvex::viewer {

class DelimiterDialog;
class ExportCommand;
class ExportRunner;
class LogWork;
class PlotFeed;
class PlotRangePicker;
class PlotWidget;
class RecordTableModel;
class SettingsStore;
class UserDialogs;

// The options of the running export, set by the export command from the
// window's controls; they keep their values until the next export.
struct ExportChoice {
    bool include_log_info = false;
    bool include_errors = false;
    int format = 0;  // index in the format box: 0 delimited text, 1 workbook, -1 none
};

class MainWindow final : public QMainWindow {
    Q_OBJECT

public:
    MainWindow(SettingsStore& settings, UserDialogs& dialogs, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Makes the new, unopened session of each open; create_log_session() unless replaced.
    void set_session_factory(SessionFactory factory) { session_factory_ = std::move(factory); }

    // Opens the log at `path` (bytes, as the command line gives it) and fills
    // the window. When the log does not open, the log shown so far stays
    // loaded and a status line gives the module's reason.
    void open_path(const std::string& path);
    // The same for a path in the lossless UTF-16 form of the file-name mapping
    // (corvex/platform/text.h); plain Unicode paths are in that form.
    void open_file(const QString& path);

    // Appends `line` and a line end to the status box and scrolls to it.
    void update_status_text(const QString& line);
    void update_status_text(const std::string& line);

    // Stores a setting; a failure becomes a status line.
    void store_setting(const char* section, const char* key, const std::string& value);

    // What the export command and the exports read and write.
    ILog* log() const noexcept { return log_.get(); }
    bool log_loaded() const noexcept { return log_loaded_; }
    // The open log's title and path as shown (invalid bytes as U+FFFD), and
    // its path as bytes.
    const QString& file_title() const noexcept { return file_title_; }
    const QString& file_name() const noexcept { return file_name_; }
    const std::string& file_path() const noexcept { return file_path_; }
    // Opens the loaded log again, in a new session, for work on another thread.
    LogOpener log_opener() const;
    ExportChoice& export_choice() noexcept { return export_choice_; }
    QString chosen_save_path;   // the path chosen in the last export save dialog
    QString export_file;        // the file being exported

    // Entry k of the unit list stands for log item k and unit k of every record.
    std::vector<bool> unit_selection() const;
    int selected_unit_count() const;
    // The format box's selected entry; -1 when its text was typed or is empty.
    int selected_format_index() const;
    QCheckBox* include_log_info_box() const noexcept { return chk_include_log_info_; }
    QCheckBox* include_errors_box() const noexcept { return chk_include_errors_; }
    QProgressBar* progress_bar() const noexcept { return pb1_; }

    // The time range the data views and the exports keep to; none: the whole log.
    const std::optional<exporting::TimeRange>& time_range() const noexcept { return range_; }
    void set_time_range(const std::optional<exporting::TimeRange>& range);
    // Scrolls the records table to the first record at or after `second`.
    void go_to_time(exporting::LogSecond second);

    PlotWidget* plot() const noexcept { return plot_; }

    // While an export runs the window takes no input but Cancel and Esc.
    void set_exporting(bool exporting);
    bool exporting() const noexcept { return exporting_; }
    // Whether the reading of the open log and the statistics of the range are done.
    bool data_ready() const;

    SettingsStore& settings() noexcept { return settings_; }
    UserDialogs& dialogs() noexcept { return dialogs_; }

    // The menu commands, also reachable through the menu actions.
    void show_open_dialog();
    void reload();
    void show_delimiter_dialog();
    void show_about_box();
    void select_all_units();
    void copy_records();

signals:
    // The open log has been read, and the statistics of the range are shown.
    void dataShown();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void build_controls();
    QWidget* build_header(QWidget* parent);
    QWidget* build_records_pane(QWidget* parent);
    void build_menus();
    void restore_export_options();
    void enable_controls(bool enabled);
    void load_log_info();
    void fail_log_info();
    void clear_log_info();
    void show_data();
    void follow_unit_selection();
    void show_range_status();
    void show_statistics();
    void show_plot();
    void plot_selected_units();
    void apply_typed_range();
    void apply_typed_go_to();
    void fill_recent_files();

    SettingsStore& settings_;
    UserDialogs& dialogs_;
    std::unique_ptr<ExportRunner> runner_;
    std::unique_ptr<ExportCommand> command_;
    SessionFactory session_factory_;

    platform::ComPtr<ILog> log_;
    SessionFactory log_factory_;  // the factory that made the session of the loaded log
    bool log_loaded_ = false;
    QString file_title_;
    QString file_name_;
    std::string file_path_;
    ExportChoice export_choice_;
    bool format_text_typed_ = false;
    ModuleVersion module_version_;
    QPointer<DelimiterDialog> delimiter_dialog_;
    std::optional<exporting::TimeRange> range_;
    std::shared_ptr<PlotFeed> plot_feed_;
    bool exporting_ = false;
    std::vector<std::pair<QAction*, bool>> actions_before_export_;

    QLineEdit* txt_file_name_ = nullptr;
    QLineEdit* txt_start_time_ = nullptr;
    QLineEdit* txt_end_time_ = nullptr;
    QLineEdit* txt_interval_ = nullptr;
    QLineEdit* txt_records_ = nullptr;
    QLabel* lbl_log_flags_ = nullptr;
    QListWidget* lst_units_ = nullptr;
    QPushButton* cmd_select_all_units_ = nullptr;
    QCheckBox* chk_include_log_info_ = nullptr;
    QCheckBox* chk_include_errors_ = nullptr;
    QComboBox* cmb_export_format_ = nullptr;
    QPushButton* cmd_export_ = nullptr;
    QPlainTextEdit* txt_status_ = nullptr;
    QProgressBar* pb1_ = nullptr;
    QPushButton* cmd_cancel_ = nullptr;
    QShortcut* escape_ = nullptr;
    QMenu* mnu_file_export_ = nullptr;
    QMenu* mnu_file_recent_ = nullptr;
    QAction* mnu_file_reload_ = nullptr;
    QAction* mnu_file_export_excel_ = nullptr;
    QAction* mnu_options_preferences_ = nullptr;

    QWidget* header_ = nullptr;
    QSplitter* split_data_ = nullptr;
    PlotWidget* plot_ = nullptr;
    PlotRangePicker* range_picker_ = nullptr;
    QTableView* tbl_records_ = nullptr;
    RecordTableModel* record_model_ = nullptr;
    QTableWidget* tbl_statistics_ = nullptr;
    QLineEdit* txt_range_from_ = nullptr;
    QLineEdit* txt_range_to_ = nullptr;
    QPushButton* cmd_whole_log_ = nullptr;
    QLineEdit* txt_go_to_ = nullptr;
    QLabel* lbl_range_ = nullptr;
    QProgressBar* pb_scan_ = nullptr;

    // Last, so that its threads end before anything they report to goes.
    LogWork* work_ = nullptr;
};

}  // namespace corvex::viewer
