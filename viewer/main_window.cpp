#include "viewer/main_window.h"

#include <cstdint>
#include <string_view>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTextCursor>
#include <QUrl>
#include <QVBoxLayout>

#include "corvex/platform/bstr.h"
#include "corvex/platform/text.h"
#include "export/export_formats.h"
#include "export/text_forms.h"
#include "viewer/about_box.h"
#include "viewer/delimiter_dialog.h"
#include "viewer/export_command.h"
#include "viewer/export_runner.h"
#include "viewer/log_display.h"
#include "viewer/log_path.h"
#include "viewer/path_text.h"
#include "viewer/plot/plot_widget.h"
#include "viewer/plot_feed.h"
#include "viewer/plot_range_picker.h"
#include "viewer/recent_files.h"
#include "viewer/records/record_table_model.h"
#include "viewer/settings_store.h"
#include "viewer/status_lines.h"
#include "viewer/twips.h"
#include "viewer/user_dialogs.h"
#include "viewer/viewer_identity.h"
#include "viewer/work/log_work.h"

namespace corvex::viewer {

namespace {

// Copying more rows than this at once would hold the window up.
constexpr std::int32_t kMaxCopiedRows = 100'000;

template <class W, class... Args>
W* make(QWidget* parent, const char* name, Args&&... args) {
    W* w = new W(std::forward<Args>(args)..., parent);
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

// A control no smaller than its size on the form, in twips.
template <class W>
W* at_least(W* w, int width, int height) {
    w->setMinimumSize(twips_to_pixels(width), twips_to_pixels(height));
    return w;
}

QLabel* caption_label(QWidget* parent, const char* name, const char* text, bool bold) {
    QLabel* label = make<QLabel>(parent, name, QString::fromLatin1(text));
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    return at_least(label, 1215, 255);
}

QLineEdit* read_only_box(QWidget* parent, const char* name, int width) {
    QLineEdit* box = make<QLineEdit>(parent, name);
    box->setReadOnly(true);
    return at_least(box, width, 285);
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

// A range bound as typed: empty is no bound.
Expected<std::optional<exporting::LogSecond>, std::string> typed_bound(const QLineEdit* box) {
    const std::string text = box->text().trimmed().toStdString();
    if (text.empty()) return std::optional<exporting::LogSecond>();
    auto bound = exporting::parse_time_bound(text);
    if (!bound) return Unexpected{bound.error()};
    return std::optional<exporting::LogSecond>(*bound);
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
    setAcceptDrops(true);
    work_ = new LogWork(this);
    plot_feed_ = std::make_shared<PlotFeed>();
    build_controls();
    build_menus();
    resize(1100, 760);

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
    fill_recent_files();

    connect(work_, &LogWork::scanProgressed, this, [this](qint64 done, qint64 total) {
        show_plot();
        pb_scan_->setVisible(work_->scanning());
        pb_scan_->setMaximum(total > 0 ? static_cast<int>(std::min<qint64>(total, INT32_MAX)) : 1);
        pb_scan_->setValue(static_cast<int>(std::min<qint64>(done, INT32_MAX)));
    });
    connect(work_, &LogWork::scanEnded, this, [this] {
        show_plot();
        pb_scan_->hide();
        show_range_status();
    });
    connect(work_, &LogWork::statisticsReady, this, [this] {
        show_range_status();
        show_statistics();
        emit dataShown();
    });
}

MainWindow::~MainWindow() {
    // Threads end first: an export is stopped (its file discarded), the
    // reading of the log too.
    runner_.reset();
    work_->clear();
}

void MainWindow::build_controls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    // The form's size is the least the window gives its controls.
    client->setMinimumSize(twips_to_pixels(9345), twips_to_pixels(3720));
    setCentralWidget(client);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(twips_to_pixels(120), twips_to_pixels(120), twips_to_pixels(120), 0);

    header_ = build_header(client);
    layout->addWidget(header_);

    split_data_ = make<QSplitter>(client, "splitData", Qt::Vertical);
    split_data_->setChildrenCollapsible(false);
    plot_ = make<PlotWidget>(split_data_, "plotView");
    plot_->setMinimumHeight(120);
    range_picker_ = new PlotRangePicker(*plot_);
    connect(range_picker_, &PlotRangePicker::picked, this, [this](double first, double last) {
        const auto from = exporting::log_second(first), to = exporting::log_second(last);
        if (from && to) set_time_range(exporting::TimeRange{*from, *to});
    });
    auto* split_table = make<QSplitter>(split_data_, "splitTable", Qt::Horizontal);
    split_table->setChildrenCollapsible(false);
    split_table->addWidget(build_records_pane(split_table));
    tbl_statistics_ = make<QTableWidget>(split_table, "tblStatistics", 0, 5);
    tbl_statistics_->setHorizontalHeaderLabels({tr("Unit"), tr("Minimum"), tr("Maximum"), tr("Mean"), tr("Error records")});
    tbl_statistics_->verticalHeader()->hide();
    tbl_statistics_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    tbl_statistics_->verticalHeader()->setDefaultSectionSize(tbl_statistics_->fontMetrics().height() + 4);
    tbl_statistics_->setWordWrap(false);
    tbl_statistics_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tbl_statistics_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    split_table->addWidget(tbl_statistics_);
    split_data_->addWidget(plot_);
    split_data_->addWidget(split_table);
    split_table->setStretchFactor(1, 2);

    txt_status_ = make<QPlainTextEdit>(split_data_, "txtStatus");
    txt_status_->setReadOnly(true);
    txt_status_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txt_status_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Long lines wrap, so the newest line is always whole and in view.
    txt_status_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    QFont status_font = txt_status_->font();
    status_font.setPointSizeF(6.75);
    txt_status_->setFont(status_font);
    txt_status_->setMinimumHeight(twips_to_pixels(615));
    split_data_->addWidget(txt_status_);
    split_table->setStretchFactor(0, 3);
    split_data_->setStretchFactor(0, 3);
    split_data_->setStretchFactor(1, 4);
    split_data_->setStretchFactor(2, 0);
    split_data_->setSizes({260, 340, twips_to_pixels(615) * 2});
    split_table->setSizes({880, 380});
    layout->addWidget(split_data_, 1);

    auto* progress_row = new QHBoxLayout;
    pb1_ = make<QProgressBar>(client, "pb1");
    pb1_->setTextVisible(false);
    pb1_->setMinimumHeight(twips_to_pixels(255));
    progress_row->addWidget(pb1_, 1);
    cmd_cancel_ = make<QPushButton>(client, "cmdCancel", tr("Cancel"));
    cmd_cancel_->setEnabled(false);
    progress_row->addWidget(cmd_cancel_);
    layout->addLayout(progress_row);

    lbl_range_ = make<QLabel>(this, "lblRange");
    statusBar()->addPermanentWidget(lbl_range_);
    pb_scan_ = make<QProgressBar>(this, "pbScan");
    pb_scan_->setMaximumWidth(160);
    pb_scan_->setFormat(tr("Reading %p%"));
    pb_scan_->hide();
    statusBar()->addPermanentWidget(pb_scan_);

    escape_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape_->setEnabled(false);
    connect(escape_, &QShortcut::activated, this, [this] { runner_->cancel(); });
    connect(cmd_cancel_, &QPushButton::clicked, this, [this] { runner_->cancel(); });
}

QWidget* MainWindow::build_header(QWidget* parent) {
    auto* header = make<QWidget>(parent, "header");
    auto* grid = new QGridLayout(header);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setHorizontalSpacing(twips_to_pixels(105));
    grid->setVerticalSpacing(twips_to_pixels(75));

    // The log's fields, in the form's order.
    grid->addWidget(caption_label(header, "Label1", "Log Name:", true), 0, 0);
    txt_file_name_ = read_only_box(header, "txtFileName", 2415);
    grid->addWidget(txt_file_name_, 0, 1);
    grid->addWidget(caption_label(header, "Label3", "Start Time:", true), 1, 0);
    txt_start_time_ = read_only_box(header, "txtStartTime", 2415);
    grid->addWidget(txt_start_time_, 1, 1);
    grid->addWidget(caption_label(header, "Label4", "End Time:", true), 2, 0);
    txt_end_time_ = read_only_box(header, "txtEndTime", 2415);
    grid->addWidget(txt_end_time_, 2, 1);
    grid->addWidget(caption_label(header, "Label2", "Interval:", true), 3, 0);
    auto* interval_row = new QHBoxLayout;
    txt_interval_ = read_only_box(header, "txtInterval", 975);
    interval_row->addWidget(txt_interval_);
    interval_row->addWidget(at_least(caption_label(header, "Label8", "seconds", false), 735, 255));
    interval_row->addStretch(1);
    grid->addLayout(interval_row, 3, 1);
    grid->addWidget(caption_label(header, "Label5", "Records:", true), 4, 0);
    auto* records_row = new QHBoxLayout;
    txt_records_ = read_only_box(header, "txtRecords", 975);
    records_row->addWidget(txt_records_);
    records_row->addStretch(1);
    grid->addLayout(records_row, 4, 1);
    grid->addWidget(caption_label(header, "Label6", "Log Flags:", true), 5, 0, Qt::AlignTop);
    lbl_log_flags_ = at_least(make<QLabel>(header, "lblLogFlags"), 2415, 735);
    lbl_log_flags_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(lbl_log_flags_, 5, 1);

    // The units.
    grid->addWidget(at_least(caption_label(header, "Label7", "Units:", true), 615, 255), 0, 2, Qt::AlignTop);
    lst_units_ = at_least(make<QListWidget>(header, "lstUnits"), 2655, 2460);
    // A click adds or removes one unit, so a selection is not lost by a stray click.
    lst_units_->setSelectionMode(QAbstractItemView::MultiSelection);
    grid->addWidget(lst_units_, 0, 3, 6, 1);

    // The export options and the Export button.
    auto* buttons = new QVBoxLayout;
    cmd_select_all_units_ =
        at_least(make<QPushButton>(header, "cmdSelectAllUnits", QStringLiteral("Select All Units")), 1695, 495);
    buttons->addWidget(cmd_select_all_units_);
    chk_include_log_info_ =
        at_least(make<QCheckBox>(header, "chkIncludeLogInfo", QStringLiteral("Include Log Info")), 1695, 255);
    buttons->addWidget(chk_include_log_info_);
    chk_include_errors_ = at_least(make<QCheckBox>(header, "chkIncludeErrors", QStringLiteral("Include Errors")), 1695, 255);
    buttons->addWidget(chk_include_errors_);
    buttons->addStretch(1);
    cmb_export_format_ = at_least(make<QComboBox>(header, "cmbExportFormat"), 1695, 315);
    cmb_export_format_->setEditable(true);
    cmb_export_format_->setInsertPolicy(QComboBox::NoInsert);
    // No completion: text that looked like an entry would still select none.
    cmb_export_format_->setCompleter(nullptr);
    buttons->addWidget(cmb_export_format_);
    cmd_export_ = at_least(make<QPushButton>(header, "cmdExport", QStringLiteral("Export")), 1695, 495);
    cmd_export_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    cmd_export_->setToolTip(tr("Export (Ctrl+E)"));
    buttons->addWidget(cmd_export_);
    grid->addLayout(buttons, 0, 4, 6, 1);
    grid->setColumnStretch(3, 1);

    connect(cmd_select_all_units_, &QPushButton::clicked, this, &MainWindow::select_all_units);
    connect(cmd_export_, &QPushButton::clicked, this, [this] { command_->click(); });
    // A greyed box (restored from a stored 2) turns checked at its first click
    // and from then on has only two states.
    for (QCheckBox* box : {chk_include_log_info_, chk_include_errors_})
        connect(box, &QCheckBox::clicked, box, [box] { box->setTristate(false); });
    // Text typed into the format box selects no entry; picking one does.
    connect(cmb_export_format_->lineEdit(), &QLineEdit::textEdited, this, [this] { format_text_typed_ = true; });
    connect(cmb_export_format_, &QComboBox::activated, this, [this] { format_text_typed_ = false; });
    connect(lst_units_, &QListWidget::itemSelectionChanged, this, &MainWindow::follow_unit_selection);
    return header;
}

QWidget* MainWindow::build_records_pane(QWidget* parent) {
    auto* pane = make<QWidget>(parent, "recordsPane");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);

    auto* range_row = new QHBoxLayout;
    const QString hint = tr("yyyy-MM-dd HH:mm:ss, or a log time in days");
    range_row->addWidget(make<QLabel>(pane, "lblRangeFrom", tr("From:")));
    txt_range_from_ = make<QLineEdit>(pane, "txtRangeFrom");
    txt_range_from_->setPlaceholderText(tr("start of the log"));
    txt_range_from_->setToolTip(hint);
    range_row->addWidget(txt_range_from_, 1);
    range_row->addWidget(make<QLabel>(pane, "lblRangeTo", tr("To:")));
    txt_range_to_ = make<QLineEdit>(pane, "txtRangeTo");
    txt_range_to_->setPlaceholderText(tr("end of the log"));
    txt_range_to_->setToolTip(hint);
    range_row->addWidget(txt_range_to_, 1);
    cmd_whole_log_ = make<QPushButton>(pane, "cmdWholeLog", tr("Whole Log"));
    range_row->addWidget(cmd_whole_log_);
    range_row->addSpacing(12);
    range_row->addWidget(make<QLabel>(pane, "lblGoTo", tr("Go to:")));
    txt_go_to_ = make<QLineEdit>(pane, "txtGoTo");
    txt_go_to_->setToolTip(hint);
    range_row->addWidget(txt_go_to_, 1);
    layout->addLayout(range_row);

    tbl_records_ = make<QTableView>(pane, "tblRecords");
    record_model_ = new RecordTableModel(tbl_records_);
    tbl_records_->setModel(record_model_);
    configure_record_view(tbl_records_);
    layout->addWidget(tbl_records_, 1);

    auto* copy = new QAction(tr("&Copy"), tbl_records_);
    copy->setObjectName(QStringLiteral("actCopyRecords"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    tbl_records_->addAction(copy);
    tbl_records_->setContextMenuPolicy(Qt::ActionsContextMenu);
    connect(copy, &QAction::triggered, this, &MainWindow::copy_records);

    connect(txt_range_from_, &QLineEdit::returnPressed, this, &MainWindow::apply_typed_range);
    connect(txt_range_to_, &QLineEdit::returnPressed, this, &MainWindow::apply_typed_range);
    connect(cmd_whole_log_, &QPushButton::clicked, this, [this] { set_time_range(std::nullopt); });
    connect(txt_go_to_, &QLineEdit::returnPressed, this, &MainWindow::apply_typed_go_to);
    return pane;
}

void MainWindow::build_menus() {
    const auto action = [](QMenu* menu, const char* name, const char* text) {
        QAction* a = menu->addAction(QString::fromLatin1(text));
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* open = action(file, "mnuFileOpen", "&Open");
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, &MainWindow::show_open_dialog);
    mnu_file_recent_ = file->addMenu(tr("Recent &Files"));
    mnu_file_recent_->setObjectName(QStringLiteral("mnuFileRecent"));
    mnu_file_recent_->menuAction()->setObjectName(QStringLiteral("mnuFileRecent"));
    mnu_file_reload_ = action(file, "mnuFileReload", "&Reload");
    mnu_file_reload_->setShortcut(QKeySequence(Qt::Key_F5));
    mnu_file_reload_->setEnabled(false);
    connect(mnu_file_reload_, &QAction::triggered, this, &MainWindow::reload);
    mnu_file_export_ = file->addMenu(QStringLiteral("Export"));
    mnu_file_export_->setObjectName(QStringLiteral("mnuFileExport"));
    mnu_file_export_->menuAction()->setObjectName(QStringLiteral("mnuFileExport"));
    action(mnu_file_export_, "mnuFileExportCSV", "CSV");
    mnu_file_export_excel_ = action(mnu_file_export_, "mnuFileExportExcel", "Excel");
    file->addSeparator()->setObjectName(QStringLiteral("mnuFileSep1"));
    // Exit ends the program at once.
    QAction* exit = action(file, "mnuFileExit", "E&xit");
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    connect(exit, &QAction::triggered, qApp, &QCoreApplication::quit);

    QMenu* options = menuBar()->addMenu(QStringLiteral("Options"));
    options->setObjectName(QStringLiteral("mnuOptions"));
    connect(action(options, "mnuOptionsDelimiter", "Delimiter"), &QAction::triggered, this,
            &MainWindow::show_delimiter_dialog);
    mnu_options_preferences_ = action(options, "mnuOptionsPreferences", "Preferences");

    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    connect(action(help, "mnuHelpAbout", "&About"), &QAction::triggered, this, &MainWindow::show_about_box);
}

void MainWindow::fill_recent_files() {
    // The entry chosen may be the one running: the old entries go later.
    for (QAction* entry : mnu_file_recent_->actions()) {
        mnu_file_recent_->removeAction(entry);
        entry->deleteLater();
    }
    const std::vector<std::string> files = recent_files(settings_);
    for (std::size_t i = 0; i < files.size(); ++i) {
        auto* entry = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(path_display(files[i])), mnu_file_recent_);
        mnu_file_recent_->addAction(entry);
        entry->setObjectName(QStringLiteral("mnuFileRecent%1").arg(i + 1));
        connect(entry, &QAction::triggered, this, [this, path = files[i]] { open_path(path); });
    }
    mnu_file_recent_->menuAction()->setEnabled(!files.empty() && !exporting_);
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
        update_status_text(open_failed_line(log_title(path->toStdString()), bytes.error()));
        return;
    }
    open_path(*bytes);
}

void MainWindow::reload() {
    if (log_loaded_ && !exporting_) open_path(file_path_);
}

void MainWindow::open_file(const QString& path) {
    if (const auto bytes = text::utf16_to_path(path.toStdU16String())) return open_path(*bytes);
    update_status_text(open_failed_line(log_title(path.toStdString()), "the name holds text that names no file"));
}

void MainWindow::open_path(const std::string& path) {
    if (exporting_) return;
    const QString title = path_display(log_title(path));

    // The session shown so far stays until the new log has opened.
    repaint();  // let the closed dialog disappear before the file is read
    auto session = open_log_session(session_factory_, path);
    if (!session) {
        update_status_text(open_failed_line(title.toStdString(), session.error()));
        return;
    }

    file_path_ = path;
    file_name_ = path_display(path);
    file_title_ = title;
    log_ = std::move(session).value();
    log_factory_ = session_factory_;
    log_loaded_ = true;
    enable_controls(true);
    mnu_file_reload_->setEnabled(true);
    setWindowTitle(QString::fromLatin1(kApplicationTitle) + QStringLiteral(" - ") + file_title_);
    update_status_text(opened_line(title.toStdString()));
    store_setting("Paths", "oFilePath", log_folder(path));
    if (auto remembered = remember_recent_file(settings_, path); !remembered)
        update_status_text("ERROR: " + remembered.error());
    fill_recent_files();
    std::int32_t rewound = 0;
    log_->Seek(0, 0, &rewound);
    load_log_info();
    show_data();
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

// The data views of the newly loaded log: the table reads through the
// window's session; the scan, the statistics and the plot through sessions
// of their own.
void MainWindow::show_data() {
    range_.reset();
    txt_range_from_->clear();
    txt_range_to_->clear();
    tbl_statistics_->setRowCount(0);
    std::optional<RecordTableSource> table;
    if (log_loaded_) {
        if (auto source = exporting::RecordSource::open(log_.get()))
            table = table_source(std::make_shared<const exporting::RecordSource>(std::move(source).value()));
    }
    record_model_->set_source(std::move(table));
    // The plot empties until the scan of the new log has made its envelopes.
    plot_feed_->reset();
    range_picker_->show_range(std::nullopt);
    plot_->set_log(nullptr, {});
    if (log_loaded_) {
        work_->start(log_opener(), {plot_feed_});
        pb_scan_->setValue(0);
        pb_scan_->show();
    } else {
        work_->clear();
        pb_scan_->hide();
    }
    show_range_status();
}

LogOpener MainWindow::log_opener() const {
    return [factory = log_factory_, path = file_path_] { return open_log_session(factory, path); };
}

void MainWindow::select_all_units() {
    for (int i = 0; i < lst_units_->count(); ++i) lst_units_->item(i)->setSelected(true);
}

void MainWindow::follow_unit_selection() {
    record_model_->set_selection(unit_selection());
    size_record_columns(tbl_records_);
    show_statistics();
    plot_selected_units();
}

void MainWindow::set_time_range(const std::optional<exporting::TimeRange>& range) {
    if (exporting_) return;
    range_ = range;
    const auto bound_text = [](exporting::LogSecond second, bool present) {
        return present ? QString::fromStdString(exporting::time_bound_text(second)) : QString();
    };
    txt_range_from_->setText(bound_text(range ? range->first : 0, range && range->first != exporting::TimeRange{}.first));
    txt_range_to_->setText(bound_text(range ? range->last : 0, range && range->last != exporting::TimeRange{}.last));
    work_->set_range(range_);
    range_picker_->show_range(range_);
    show_range_status();
    show_statistics();
}

void MainWindow::apply_typed_range() {
    const auto from = typed_bound(txt_range_from_);
    const auto to = typed_bound(txt_range_to_);
    if (!from || !to) {
        statusBar()->showMessage(QString::fromStdString((!from ? "From: " + from.error() : "To: " + to.error())), 8000);
        return;
    }
    if (!*from && !*to) return set_time_range(std::nullopt);
    exporting::TimeRange range;
    if (*from) range.first = **from;
    if (*to) range.last = **to;
    if (range.first > range.last) {
        statusBar()->showMessage(tr("The range ends before it starts"), 8000);
        return;
    }
    set_time_range(range);
}

void MainWindow::apply_typed_go_to() {
    const auto second = typed_bound(txt_go_to_);
    if (!second || !*second) {
        if (!second) statusBar()->showMessage(QString::fromStdString("Go to: " + second.error()), 8000);
        return;
    }
    go_to_time(**second);
}

void MainWindow::go_to_time(exporting::LogSecond second) {
    const LogSummary* summary = work_->summary();
    if (!summary) {
        statusBar()->showMessage(tr("The log is still being read"), 5000);
        return;
    }
    // The records are read through the table's source, as the table reads them.
    const RecordTableSource* source = record_model_->source();
    if (!source) return;
    const auto record = summary->first_at_or_after(second, source->read);
    if (!record) {
        statusBar()->showMessage(tr("No record at or after %1").arg(QString::fromStdString(exporting::time_bound_text(second))), 5000);
        return;
    }
    const QModelIndex at = record_model_->index(*record, 0);
    tbl_records_->scrollTo(at, QAbstractItemView::PositionAtTop);
    tbl_records_->setCurrentIndex(at);
}

void MainWindow::copy_records() {
    const QItemSelection selection = tbl_records_->selectionModel()->selection();
    if (selection.isEmpty()) return;
    bool cut = false;
    const std::string delimiter = stored_delimiter(settings_);
    QApplication::clipboard()->setText(record_model_->copy_text(selection, delimiter, kMaxCopiedRows, &cut));
    if (cut) statusBar()->showMessage(tr("Copied the first %L1 rows of the selection").arg(kMaxCopiedRows), 8000);
}

bool MainWindow::data_ready() const { return !work_->scanning() && (work_->statistics() || work_->statistics_failure()); }

void MainWindow::show_range_status() {
    if (!log_loaded_) {
        lbl_range_->clear();
        return;
    }
    std::optional<std::int64_t> count;
    if (!range_) count = record_model_->rowCount();
    else if (work_->statistics()) count = work_->statistics()->records;
    std::string text = range_status_text(range_, count);
    if (const auto& outcome = work_->scan_outcome()) {
        if (outcome->unreadable_record)
            text += "; record " + std::to_string(*outcome->unreadable_record) + " could not be read, the statistics end before it";
        else if (!outcome->failure.empty())
            text += "; the log could not be read again: " + outcome->failure;
    }
    lbl_range_->setText(QString::fromStdString(text));
}

void MainWindow::show_statistics() {
    const std::vector<bool> selected = unit_selection();
    const auto& statistics = work_->statistics();
    const exporting::TextForms forms = exporting::TextForms::from_environment();
    tbl_statistics_->setRowCount(0);
    for (int k = 0; k < lst_units_->count(); ++k) {
        if (!selected[static_cast<std::size_t>(k)]) continue;
        const int row = tbl_statistics_->rowCount();
        tbl_statistics_->insertRow(row);
        tbl_statistics_->setItem(row, 0, new QTableWidgetItem(lst_units_->item(k)->text()));
        if (!statistics || static_cast<std::size_t>(k) >= statistics->units.size()) continue;
        const UnitStatistics& unit = statistics->units[static_cast<std::size_t>(k)];
        const auto number = [&](std::optional<double> v) {
            auto* item = new QTableWidgetItem(v ? QString::fromStdString(forms.number(*v)) : QString());
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            return item;
        };
        const bool any = unit.values > 0;
        tbl_statistics_->setItem(row, 1, number(any ? std::optional(unit.minimum) : std::nullopt));
        tbl_statistics_->setItem(row, 2, number(any ? std::optional(unit.maximum) : std::nullopt));
        tbl_statistics_->setItem(row, 3, number(unit.mean()));
        tbl_statistics_->setItem(row, 4, number(static_cast<double>(unit.error_records)));
    }
}

// The plot takes in what the scan has read so far; the envelopes of a new
// log replace the old ones once the scan has made them.
void MainWindow::show_plot() {
    auto envelopes = plot_feed_->envelopes();
    if (envelopes.get() != plot_->log()) {
        plot_->set_log(std::move(envelopes), {});
        plot_selected_units();
        range_picker_->show_range(range_);
    } else if (envelopes) {
        plot_->refresh();
    }
    if (const std::string failure = plot_feed_->failure(); !failure.empty())
        statusBar()->showMessage(QString::fromStdString("The plot cannot hold this log: " + failure), 10000);
}

void MainWindow::plot_selected_units() {
    if (!plot_->log()) return;
    // The items as the table has them: read once when the log was loaded.
    const RecordTableSource* source = record_model_->source();
    const std::size_t item_count = source ? source->items.size() : 0;
    std::vector<PlotUnit> units;
    const std::vector<bool> selected = unit_selection();
    for (std::size_t k = 0; k < selected.size() && k < item_count; ++k) {
        if (!selected[k]) continue;
        const exporting::ItemFields& item = source->items[k];
        units.push_back({k, QString::fromStdString(item.label), QString::fromStdString(item.symbol)});
    }
    plot_->set_units(std::move(units));
}

void MainWindow::set_exporting(bool exporting) {
    exporting_ = exporting;
    // Nothing but Cancel takes input meanwhile: disabled controls drop
    // clicks and keys instead of holding them for later.
    header_->setEnabled(!exporting);
    split_data_->setEnabled(!exporting);
    setAcceptDrops(!exporting);
    if (exporting) {
        actions_before_export_.clear();
        // Every menu and menu entry, with its shortcut.
        for (QAction* action : menuBar()->findChildren<QAction*>()) {
            actions_before_export_.emplace_back(action, action->isEnabled());
            action->setEnabled(false);
        }
    } else {
        for (const auto& [action, enabled] : actions_before_export_) action->setEnabled(enabled);
        actions_before_export_.clear();
    }
    cmd_cancel_->setEnabled(exporting);
    escape_->setEnabled(exporting);
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

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!exporting_ && !urls.isEmpty() && urls.front().isLocalFile()) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (exporting_ || urls.isEmpty() || !urls.front().isLocalFile()) return;
    event->acceptProposedAction();
    // The name as Qt shows it; find the file it stands for, as for the open dialog.
    const QString shown = urls.front().toLocalFile();
    const auto bytes = dialog_path_bytes(shown, false);
    if (!bytes) {
        update_status_text(open_failed_line(log_title(shown.toStdString()), bytes.error()));
        return;
    }
    open_path(*bytes);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // A running export is stopped; its file is discarded.
    runner_->cancel();
    QMainWindow::closeEvent(event);
}

}  // namespace corvex::viewer
