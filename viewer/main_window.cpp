#include "viewer/main_window.h"

#include <cstdint>
#include <string_view>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTextCursor>

#include "corvex/platform/bstr.h"
#include "corvex/platform/text.h"
#include "viewer/about_box.h"
#include "viewer/delimiter_dialog.h"
#include "export/text_forms.h"
#include "export/export_formats.h"
#include "viewer/export_command.h"
#include "viewer/export_runner.h"
#include "viewer/log_display.h"
#include "viewer/log_module.h"
#include "viewer/log_path.h"
#include "viewer/path_text.h"
#include "viewer/settings_store.h"
#include "viewer/status_lines.h"
#include "viewer/twips.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"

namespace corvex::viewer {

namespace {

template <class W, class... Args>
W* make(QWidget* parent, const char* name, Args&&... args) {
    W* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLabel* caption_label(QWidget* parent, const char* name, const char* text, bool bold) {
    QLabel* label = make<QLabel>(parent, name, QString::fromLatin1(text));
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return label;
}

QLineEdit* read_only_box(QWidget* parent, const char* name) {
    QLineEdit* box = make<QLineEdit>(parent, name);
    box->setReadOnly(true);
    return box;
}

QString from_utf8(const std::string& text) { return QString::fromStdString(text); }

// A check box restored from a stored value: 0 unchecked, 1 checked, 2 greyed;
// anything else counts as the default, checked.
void restore_check_box(QCheckBox* box, const std::string& stored) {
    const auto value = parse_int16(stored);
    Qt::CheckState state = Qt::Checked;
    if (value == 0) state = Qt::Unchecked;
    if (value == 2) state = Qt::PartiallyChecked;
    box->setTristate(state == Qt::PartiallyChecked);
    box->setCheckState(state);
}

}  // namespace

MainWindow::MainWindow(SettingsStore& settings, UserDialogs& dialogs, QWidget* parent)
    : QMainWindow(parent),
      settings_(settings),
      dialogs_(dialogs),
      runner_(std::make_unique<ExportRunner>(*this)),
      command_(std::make_unique<ExportCommand>(*this, *runner_)),
      session_factory_(create_log_session) {
    setObjectName(QStringLiteral("frmCorvexViewer"));
    setWindowTitle(QString::fromLatin1(kApplicationTitle));
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(8.25);
    setFont(font);
    build_controls();
    build_menus();

    // Window load.
    pb1_->setRange(0, 100);
    pb1_->setValue(0);
    log_loaded_ = false;
    enable_controls(false);
    mnu_file_export_excel_->setEnabled(false);
    mnu_options_preferences_->setEnabled(false);
    for (const exporting::ExportFormat& format : exporting::export_formats())
        cmb_export_format_->addItem(QString::fromUtf8(format.label.data(), static_cast<qsizetype>(format.label.size())));
    lbl_log_flags_->clear();
    restore_export_options();
}

MainWindow::~MainWindow() = default;

void MainWindow::build_controls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(twips_to_pixels(9345), twips_to_pixels(3720));
    setCentralWidget(client);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    place(caption_label(client, "Label1", "Log Name:", true), 120, 120, 1215, 255);
    txt_file_name_ = read_only_box(client, "txtFileName");
    place(txt_file_name_, 1440, 120, 2415, 285);
    place(caption_label(client, "Label3", "Start Time:", true), 120, 480, 1215, 255);
    txt_start_time_ = read_only_box(client, "txtStartTime");
    place(txt_start_time_, 1440, 480, 2415, 285);
    place(caption_label(client, "Label4", "End Time:", true), 120, 840, 1215, 255);
    txt_end_time_ = read_only_box(client, "txtEndTime");
    place(txt_end_time_, 1440, 840, 2415, 285);
    place(caption_label(client, "Label2", "Interval:", true), 120, 1200, 1215, 255);
    txt_interval_ = read_only_box(client, "txtInterval");
    place(txt_interval_, 1440, 1200, 975, 285);
    place(caption_label(client, "Label8", "seconds", false), 2520, 1200, 735, 255);
    place(caption_label(client, "Label5", "Records:", true), 120, 1560, 1215, 255);
    txt_records_ = read_only_box(client, "txtRecords");
    place(txt_records_, 1440, 1560, 975, 285);
    place(caption_label(client, "Label6", "Log Flags:", true), 120, 1920, 1215, 255);
    lbl_log_flags_ = make<QLabel>(client, "lblLogFlags");
    lbl_log_flags_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    place(lbl_log_flags_, 1440, 1920, 2415, 735);

    place(caption_label(client, "Label7", "Units:", true), 4080, 120, 615, 255);
    lst_units_ = make<QListWidget>(client, "lstUnits");
    // A click adds or removes one unit, so a selection is not lost by a stray click.
    lst_units_->setSelectionMode(QAbstractItemView::MultiSelection);
    place(lst_units_, 4800, 120, 2655, 2460);

    cmd_select_all_units_ = make<QPushButton>(client, "cmdSelectAllUnits", QStringLiteral("Select All Units"));
    place(cmd_select_all_units_, 7560, 120, 1695, 495);
    chk_include_log_info_ = make<QCheckBox>(client, "chkIncludeLogInfo", QStringLiteral("Include Log Info"));
    place(chk_include_log_info_, 7560, 720, 1695, 255);
    chk_include_errors_ = make<QCheckBox>(client, "chkIncludeErrors", QStringLiteral("Include Errors"));
    place(chk_include_errors_, 7560, 1080, 1695, 255);
    cmb_export_format_ = make<QComboBox>(client, "cmbExportFormat");
    cmb_export_format_->setEditable(true);
    cmb_export_format_->setInsertPolicy(QComboBox::NoInsert);
    // No completion: text that looked like an entry would still select none.
    cmb_export_format_->setCompleter(nullptr);
    place(cmb_export_format_, 7560, 1680, 1695, 315);
    cmd_export_ = make<QPushButton>(client, "cmdExport", QStringLiteral("Export"));
    place(cmd_export_, 7560, 2160, 1695, 495);

    txt_status_ = make<QPlainTextEdit>(client, "txtStatus");
    txt_status_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt_status_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont status_font = txt_status_->font();
    status_font.setPointSizeF(6.75);
    txt_status_->setFont(status_font);
    place(txt_status_, 120, 2760, 9135, 615);

    pb1_ = make<QProgressBar>(client, "pb1");
    pb1_->setTextVisible(false);
    place(pb1_, 0, 3465, 9345, 255);

    connect(cmd_select_all_units_, &QPushButton::clicked, this, &MainWindow::select_all_units);
    connect(cmd_export_, &QPushButton::clicked, this, [this] { command_->click(); });
    // A greyed box (restored from a stored 2) turns checked at its first click
    // and from then on has only two states.
    for (QCheckBox* box : {chk_include_log_info_, chk_include_errors_})
        connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    // Text typed into the format box selects no entry; picking one does.
    connect(cmb_export_format_->lineEdit(), &QLineEdit::textEdited, this, [this] { format_text_typed_ = true; });
    connect(cmb_export_format_, &QComboBox::activated, this, [this] { format_text_typed_ = false; });
}

void MainWindow::build_menus() {
    const auto action = [](QMenu* menu, const char* name, const char* text) {
        QAction* a = menu->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    connect(action(file, "mnuFileOpen", "&Open"), &QAction::triggered, this, &MainWindow::show_open_dialog);
    mnu_file_export_ = file->addMenu(QStringLiteral("Export"));
    mnu_file_export_->setObjectName(QStringLiteral("mnuFileExport"));
    mnu_file_export_->menuAction()->setObjectName(QStringLiteral("mnuFileExport"));
    action(mnu_file_export_, "mnuFileExportCSV", "CSV");
    mnu_file_export_excel_ = action(mnu_file_export_, "mnuFileExportExcel", "Excel");
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileSep1"));
    // Exit ends the program at once.
    connect(action(file, "mnuFileExit", "E&xit"), &QAction::triggered, qApp, &QCoreApplication::quit);

    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    connect(action(options, "mnuOptionsDelimiter", "Delimiter"), &QAction::triggered, this,
            &MainWindow::show_delimiter_dialog);
    mnu_options_preferences_ = action(options, "mnuOptionsPreferences", "Preferences");

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(action(help, "mnuHelpAbout", "&About"), &QAction::triggered, this, &MainWindow::show_about_box);
}

void MainWindow::restore_export_options() {
    restore_check_box(chk_include_errors_, settings_.get("ExportOptions", "IncludeErrors", "1"));
    restore_check_box(chk_include_log_info_, settings_.get("ExportOptions", "IncludeLogInfo", "1"));
    // An index that is not a number or names no entry falls back to the first entry.
    auto format = parse_int16(settings_.get("ExportOptions", "ExportFormat", "0"));
    if (!format || *format < -1 || *format >= cmb_export_format_->count()) format = 0;
    cmb_export_format_->setCurrentIndex(*format);
    cmb_export_format_->setEditText(*format < 0 ? QString() : cmb_export_format_->itemText(*format));
    format_text_typed_ = false;
}

void MainWindow::enable_controls(bool enabled) {
    mnu_file_export_->menuAction()->setEnabled(enabled);
    cmd_export_->setEnabled(enabled);
    cmd_select_all_units_->setEnabled(enabled);
    chk_include_errors_->setEnabled(enabled);
    chk_include_log_info_->setEnabled(enabled);
    cmb_export_format_->setEnabled(enabled);
}

void MainWindow::show_open_dialog() {
    FileDialogRequest request;
    request.filters = {QStringLiteral("Log Files (*.log)"), QStringLiteral("All Files (*)")};
    request.filter_index = 0;
    request.folder =
        dialog_text(settings_.get("Paths", "oFilePath", QCoreApplication::applicationDirPath().toStdString()));
    const auto path = dialogs_.open_file(this, request);
    if (!path || path->isEmpty()) return;
    // The dialog shows names lossily; find the file the user picked.
    const auto bytes = dialog_path_bytes(*path, false);
    if (!bytes) {
        update_status_text(open_failed_line(log_title(path->toStdString())));
        update_status_text("ERROR: " + bytes.error());
        return;
    }
    open_path(*bytes);
}

void MainWindow::open_file(const QString& path) {
    if (const auto bytes = text::utf16_to_path(path.toStdU16String())) return open_path(*bytes);
    update_status_text(open_failed_line(log_title(path.toStdString())));
}

void MainWindow::open_path(const std::string& path) {
    const QString title = path_display(log_title(path));

    // The session shown so far stays until the new log has opened.
    auto session = session_factory_();
    repaint();  // let the closed dialog disappear before the file is read
    if (!session) {
        update_status_text(open_failed_line(title.toStdString()));
        update_status_text("ERROR: " + session.error());
        return;
    }
    std::int32_t result = -1;
    const platform::Bstr name = platform::Bstr::from_path(path);
    if (FAILED((*session)->Open(name.get(), &result)) || result != 0) {
        update_status_text(open_failed_line(title.toStdString()));
        return;
    }

    file_path_ = path;
    file_name_ = path_display(path);
    file_title_ = title;
    log_ = std::move(session).value();
    log_loaded_ = true;
    enable_controls(true);
    setWindowTitle(QString::fromLatin1(kApplicationTitle) + QStringLiteral(" - ") + file_title_);
    update_status_text(opened_line(title.toStdString()));
    store_setting("Paths", "oFilePath", log_folder(path));
    std::int32_t rewound = 0;
    log_->Seek(0, 0, &rewound);
    load_log_info();
    select_all_units();
}

void MainWindow::load_log_info() {
    platform::ComPtr<ILogInfo> info;
    if (FAILED(log_->GetLogInfo(info.put())) || !info) return fail_log_info();

    txt_file_name_->setText(file_title_);
    txt_file_name_->setToolTip(file_name_);

    double start = 0, end = 0;
    std::int16_t interval = 0, error_flags = 0, cyclic_flags = 0;
    std::int32_t records = 0, items = 0;
    if (FAILED(info->get_StartTime(&start)) || FAILED(info->get_EndTime(&end))) return fail_log_info();
    txt_start_time_->setText(from_utf8(exporting::general_date_text(start)));
    txt_end_time_->setText(from_utf8(exporting::general_date_text(end)));
    if (FAILED(info->get_Interval(&interval))) return fail_log_info();
    txt_interval_->setText(QString::number(interval));
    if (FAILED(log_->get_Count(&records))) return fail_log_info();
    txt_records_->setText(QString::number(records));
    if (FAILED(info->get_ErrorFlags(&error_flags)) || FAILED(info->get_CyclicFlags(&cyclic_flags)))
        return fail_log_info();
    lbl_log_flags_->setText(from_utf8(log_flags_text(error_flags, cyclic_flags)));

    lst_units_->clear();
    if (FAILED(info->get_Count(&items))) return fail_log_info();
    for (std::int32_t i = 0; i < items; ++i) {
        platform::ComPtr<ILogItem> item;
        platform::Bstr label, symbol;
        if (FAILED(info->get_Item(i, item.put())) || !item || FAILED(item->get_Label(label.put())) ||
            FAILED(item->get_Symbol(symbol.put())))
            return fail_log_info();
        lst_units_->addItem(from_utf8(unit_entry_text(label.utf8(), symbol.utf8())));
    }
}

void MainWindow::fail_log_info() {
    dialogs_.message(this, QStringLiteral("Error loading log file!"), QString::fromLatin1(kApplicationTitle));
    log_loaded_ = false;
    enable_controls(false);
    update_status_text(load_failed_line(file_title_.toStdString()));
    clear_log_info();
}

void MainWindow::clear_log_info() {
    txt_file_name_->clear();
    txt_end_time_->clear();
    txt_start_time_->clear();
    txt_interval_->clear();
    txt_records_->clear();
    lst_units_->clear();
}

void MainWindow::select_all_units() {
    for (int i = 0; i < lst_units_->count(); ++i) lst_units_->item(i)->setSelected(true);
}

void MainWindow::update_status_text(const QString& line) {
    QTextCursor cursor(txt_status_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(line);
    cursor.insertText(QStringLiteral("\n"));
    // The caret goes to the end of the new line, so the box shows it.
    cursor.movePosition(QTextCursor::PreviousCharacter);
    txt_status_->setTextCursor(cursor);
    txt_status_->ensureCursorVisible();
}

void MainWindow::update_status_text(const std::string& line) { update_status_text(from_utf8(line)); }

void MainWindow::store_setting(const char* section, const char* key, const std::string& value) {
    if (auto stored = settings_.set(section, key, value); !stored) update_status_text("ERROR: " + stored.error());
}

std::vector<bool> MainWindow::unit_selection() const {
    std::vector<bool> selected(static_cast<std::size_t>(lst_units_->count()), false);
    for (int i = 0; i < lst_units_->count(); ++i) selected[static_cast<std::size_t>(i)] = lst_units_->item(i)->isSelected();
    return selected;
}

int MainWindow::selected_unit_count() const { return static_cast<int>(lst_units_->selectedItems().size()); }

int MainWindow::selected_format_index() const {
    return format_text_typed_ ? -1 : cmb_export_format_->currentIndex();
}

void MainWindow::show_delimiter_dialog() {
    if (!delimiter_dialog_) {
        delimiter_dialog_ = new DelimiterDialog(
            settings_, [this](const std::string& failure) { update_status_text("ERROR: " + failure); }, this);
    }
    delimiter_dialog_->exec();
    // OK and Cancel only hide the dialog; its close box unloads it, so the
    // next showing reads the stored delimiter afresh.
    if (delimiter_dialog_ && delimiter_dialog_->closed_by_close_box()) delete delimiter_dialog_.data();
}

void MainWindow::show_about_box() {
    AboutBox box(dialogs_, module_version_, this);
    box.exec();
}

}  // namespace corvex::viewer
