// The data views: the records table reads only what it shows and shows what
// the delimited export writes; the time range reaches the exports and the
// status bar; exports run beside a window that takes no other input and stop
// on Esc without a file; logs open by dragging and from Recent Files.
#include <atomic>
#include <future>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QUrl>

#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "export/csv_export.h"
#include "viewer/plot/plot_widget.h"
#include "viewer/log_module.h"
#include "viewer/records/record_table_model.h"
#include "viewer_test_support.h"

namespace corvex::viewer {
namespace {

using testing::child;
using testing::read_file;
using testing::sample;
using testing::status_lines;

using testing::seconds_log;

constexpr double kDay = 45356.0;  // 2024-03-05, where seconds_log begins

std::shared_ptr<const exporting::RecordSource> records_of(const std::filesystem::path& path) {
    auto log = open_log_session(create_log_session, path.string());
    EXPECT_TRUE(log) << (log ? "" : log.error());
    auto source = exporting::RecordSource::open(log->get());
    EXPECT_TRUE(source);
    return std::make_shared<const exporting::RecordSource>(std::move(source).value());
}

std::vector<std::string> lines_of(const std::string& text, std::string_view end) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(end, start)) != std::string::npos; start = at + end.size())
        lines.push_back(text.substr(start, at - start));
    return lines;
}

class DataViewsTest : public testing::ViewerTest {
protected:
    void open(MainWindow& window, const std::filesystem::path& path) {
        window.open_path(path.string());
        ASSERT_TRUE(window.log_loaded());
    }
};

TEST_F(DataViewsTest, TheTableReadsOnlyTheBlocksOfTheRowsInView) {
    const auto source = records_of(write_log("long.log", seconds_log(50'000)));
    std::vector<std::pair<std::int32_t, std::int32_t>> reads;
    RecordTableSource table = table_source(source);
    const BlockReader real = table.read;
    table.read = [&](std::int32_t first, std::int32_t wanted, exporting::RecordBlock& block) {
        reads.emplace_back(first, wanted);
        real(first, wanted, block);
    };
    RecordTableModel model;
    model.set_source(std::move(table));
    model.set_selection({true, true});
    QTableView view;
    view.setModel(&model);
    configure_record_view(&view);
    view.resize(700, 400);
    view.show();
    QCoreApplication::processEvents();
    const int shown = view.viewport()->height() / view.verticalHeader()->defaultSectionSize() + 1;
    ASSERT_GT(shown, 5);

    std::int64_t total = 0;
    const auto reads_cover = [&](std::int32_t top) {
        std::int64_t records = 0;
        for (const auto& [first, wanted] : reads) {
            records += wanted;
            // Each read is a block that holds a row in view.
            EXPECT_LE(first, top + shown) << first;
            EXPECT_GT(first + wanted, top) << first;
        }
        EXPECT_LE(records, shown + 2 * BlockCache::kBlockRecords);
        total += records;
        EXPECT_EQ(model.records_read(), total);
        reads.clear();
    };
    reads_cover(0);
    for (const std::int32_t row : {40'000, 49'990, 12'345}) {
        SCOPED_TRACE(row);
        view.scrollTo(model.index(row, 0), QAbstractItemView::PositionAtTop);
        QCoreApplication::processEvents();
        EXPECT_EQ(view.model()->data(model.index(row, 1)).toString(), QString::number(row * 0.5));
        reads_cover(view.rowAt(0));
    }
}

// Every sample as the table shows it, copied whole, is the delimited export
// of all units with errors, record lines only.
TEST_F(DataViewsTest, TheTableShowsAndCopiesWhatTheDelimitedExportWrites) {
    ASSERT_TRUE(settings.set("DELIMITER", "DELIMITER", ";"));
    auto window = make_window();
    for (const char* name : {"pc_flow.log", "meter_flow.log", "compact_flow.log"}) {
        SCOPED_TRACE(name);
        open(*window, sample(name));
        auto* table = child<QTableView>(*window, "tblRecords");
        const QAbstractItemModel* model = table->model();
        table->selectAll();
        window->copy_records();
        const std::vector<std::string> copied = lines_of(QApplication::clipboard()->text().toStdString(), "\n");

        exporting::ExportOptions options;
        options.include_log_info = false;
        options.delimiter = ";";
        options.selected.assign(static_cast<std::size_t>(window->unit_selection().size()), true);
        ASSERT_TRUE(exporting::export_csv(window->log(), options, scratch / "all.csv"));
        std::vector<std::string> exported = lines_of(read_file(scratch / "all.csv"), "\r\n");
        ASSERT_EQ(copied.size() + 1, exported.size());
        for (int c = 0; c < model->columnCount(); ++c) {
            // The header line is the column titles.
            EXPECT_NE(exported[0].find(model->headerData(c, Qt::Horizontal).toString().toStdString()), std::string::npos);
        }
        for (std::size_t r = 0; r < copied.size(); ++r) {
            std::string line = exported[r + 1];
            if (line.ends_with(";")) line.pop_back();  // a line not closed by the basic-errors column
            ASSERT_EQ(copied[r], line) << "record " << r;
        }
    }
    // Records with an error word are marked.
    open(*window, write_log("errors.log", seconds_log(20)));
    const QAbstractItemModel* model = child<QTableView>(*window, "tblRecords")->model();
    EXPECT_TRUE(model->data(model->index(3, 0), Qt::BackgroundRole).isValid());
    EXPECT_TRUE(model->data(model->index(3, 4), Qt::ForegroundRole).isValid());
    EXPECT_FALSE(model->data(model->index(4, 0), Qt::BackgroundRole).isValid());
}

TEST_F(DataViewsTest, TheRangeReachesTheStatusBarTheStatisticsAndTheExport) {
    auto window = make_window();
    const auto log = write_log("seconds.log", seconds_log(6000));
    open(*window, log);
    testing::wait_for_data(*window);
    auto* status = child<QLabel>(*window, "lblRange");
    EXPECT_EQ(status->text(), "Whole log: 6000 records");

    // Typed as the general date shows it, or as a log time.
    child<QLineEdit>(*window, "txtRangeFrom")->setText("2024-03-05 00:01:40");
    child<QLineEdit>(*window, "txtRangeTo")->setText(QString::number(kDay + 4199.0 / 86400, 'g', 17));
    QTest::keyClick(child<QLineEdit>(*window, "txtRangeTo"), Qt::Key_Return);
    testing::wait_for_data(*window);
    EXPECT_EQ(status->text(), "2024-03-05 00:01:40 to 2024-03-05 01:09:59: 4100 records");
    auto* statistics = child<QTableWidget>(*window, "tblStatistics");
    ASSERT_EQ(statistics->rowCount(), 2);
    const QStringList expected_level = {"Level", "-3199", "900", "-1149.5", "586"};  // records 100 to 4199
    for (int c = 0; c < 5; ++c) EXPECT_EQ(statistics->item(1, c)->text(), expected_level[c]) << c;

    // Only the selected units count; the export writes the range only.
    child<QListWidget>(*window, "lstUnits")->item(0)->setSelected(false);
    EXPECT_EQ(statistics->rowCount(), 1);
    dialogs.answers.push_back(QString::fromStdString((scratch / "range.csv").string()));
    child<QPushButton>(*window, "cmdExport")->click();
    testing::wait_for_export(*window);
    const std::vector<std::string> lines = lines_of(read_file(scratch / "range.csv"), "\r\n");
    ASSERT_EQ(lines.size(), 10u + 4100);
    EXPECT_EQ(lines[5], "Records:,6000");  // the information block is the whole log's
    EXPECT_EQ(lines[10], "2024-03-05 00:01:40,0,900,0,");
    EXPECT_EQ(lines.back(), "2024-03-05 01:09:59,0,-3199,0,");

    // Go to a time; back to the whole log.
    child<QLineEdit>(*window, "txtGoTo")->setText("01:00:00");
    QTest::keyClick(child<QLineEdit>(*window, "txtGoTo"), Qt::Key_Return);
    EXPECT_EQ(child<QTableView>(*window, "tblRecords")->currentIndex().row(), 0);  // 1899-12-30 01:00: the first record
    child<QLineEdit>(*window, "txtGoTo")->setText("2024-03-05 01:00:00");
    QTest::keyClick(child<QLineEdit>(*window, "txtGoTo"), Qt::Key_Return);
    EXPECT_EQ(child<QTableView>(*window, "tblRecords")->currentIndex().row(), 3600);
    child<QPushButton>(*window, "cmdWholeLog")->click();
    testing::wait_for_data(*window);
    EXPECT_EQ(status->text(), "Whole log: 6000 records");
    EXPECT_EQ(child<QLineEdit>(*window, "txtRangeFrom")->text(), "");
}

TEST_F(DataViewsTest, ARangeDraggedWithCtrlOnThePlotBecomesTheWindowsRange) {
    auto window = make_window();
    window->show();
    open(*window, sample("pc_flow.log"));
    testing::wait_for_data(*window);
    QCustomPlot* canvas = window->plot()->plot();
    const auto pixel = [&](const char* time) {
        const double t = exporting::second_log_time(exporting::parse_time_bound(time).value());
        return QPoint(static_cast<int>(std::lround(canvas->xAxis->coordToPixel(t))), canvas->axisRect()->center().y());
    };
    const QPoint from = pixel("2024-03-05 09:00:00"), to = pixel("2024-03-05 10:00:00");
    QTest::mousePress(canvas, Qt::LeftButton, Qt::ControlModifier, from);
    QTest::mouseMove(canvas, to);
    QTest::mouseRelease(canvas, Qt::LeftButton, Qt::ControlModifier, to);
    ASSERT_TRUE(window->time_range());
    // To within the time a pixel spans.
    const double second_per_pixel = (canvas->xAxis->range().size() * 86400) / canvas->axisRect()->width();
    EXPECT_NEAR(static_cast<double>(window->time_range()->first), static_cast<double>(exporting::parse_time_bound("2024-03-05 09:00:00").value()), second_per_pixel + 1);
    EXPECT_NEAR(static_cast<double>(window->time_range()->last), static_cast<double>(exporting::parse_time_bound("2024-03-05 10:00:00").value()), second_per_pixel + 1);
    testing::wait_for_data(*window);
    EXPECT_TRUE(child<QLabel>(*window, "lblRange")->text().endsWith(" records")) << child<QLabel>(*window, "lblRange")->text().toStdString();
    EXPECT_EQ(child<QLineEdit>(*window, "txtRangeFrom")->text().toStdString(),
              exporting::time_bound_text(window->time_range()->first));
    // Without Ctrl a drag pans the plot and leaves the range alone.
    const auto range = window->time_range();
    QTest::mousePress(canvas, Qt::LeftButton, {}, to);
    QTest::mouseMove(canvas, from);
    QTest::mouseRelease(canvas, Qt::LeftButton, {}, from);
    EXPECT_EQ(window->time_range()->first, range->first);
}

TEST_F(DataViewsTest, AnExportRunsBesideTheWindowTakesNoOtherInputAndEscLeavesNoFile) {
    auto window = make_window();
    window->show();
    QApplication::setActiveWindow(window.get());  // for the window's shortcuts
    const auto log = write_log("slow.log", seconds_log(20'000));
    // Every session's reads stop at record 10,000 until the test goes on (or
    // ends: a promise never kept releases them too).
    std::promise<void> go_on;
    const std::shared_future<void> gate = go_on.get_future().share();
    const auto held = std::make_shared<std::atomic<int>>(0);
    corvex::testing::LogFaults faults;
    faults.before_item = [gate, held](std::int32_t index) {
        if (index < 10'000) return;
        ++*held;
        gate.wait();
    };
    window->set_session_factory(testing::faulty_sessions(faults));
    open(*window, log);
    auto* units = child<QListWidget>(*window, "lstUnits");
    units->item(1)->setSelected(false);

    const auto out = scratch / "stopped.csv";
    dialogs.answers.push_back(QString::fromStdString(out.string()));
    child<QPushButton>(*window, "cmdExport")->click();
    ASSERT_TRUE(window->exporting());
    // The export and the scan wait at the gate while the window goes on.
    ASSERT_TRUE(testing::wait_until([&] { return *held == 2; }));
    EXPECT_TRUE(child<QPushButton>(*window, "cmdCancel")->isEnabled());

    // A click on the unit list and the Open shortcut go nowhere, now or later.
    const QRect second = units->visualItemRect(units->item(1));
    QTest::mouseClick(units->viewport(), Qt::LeftButton, {}, second.center());
    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_TRUE(dialogs.open_requests.empty());

    QTest::keyClick(window.get(), Qt::Key_Escape);
    go_on.set_value();
    testing::wait_for_export(*window);
    EXPECT_EQ(status_lines(*window).back(), "Cancelled");
    EXPECT_FALSE(std::filesystem::exists(out));
    EXPECT_EQ(scratch.entries(), (std::vector<std::string>{"settings", "slow.log"}));
    EXPECT_EQ(window->unit_selection(), (std::vector<bool>{true, false}));
    EXPECT_TRUE(dialogs.open_requests.empty());
    EXPECT_FALSE(child<QPushButton>(*window, "cmdCancel")->isEnabled());
    EXPECT_TRUE(child<QPushButton>(*window, "cmdExport")->isEnabled());
}

TEST_F(DataViewsTest, LogsOpenByDraggingAndFromRecentFilesAfterARestart) {
    {
        auto window = make_window();
        QMimeData dragged;
        dragged.setUrls({QUrl::fromLocalFile(QString::fromStdString(sample("meter_flow.log").string()))});
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(window.get(), &drop);
        EXPECT_EQ(window->file_title(), "meter_flow.log");
        window->open_path(sample("compact_flow.log").string());
    }
    auto window = make_window();
    auto* recent = child<QMenu>(*window, "mnuFileRecent");
    const QList<QAction*> entries = recent->actions();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[0]->text().endsWith("compact_flow.log"));
    EXPECT_TRUE(entries[1]->text().endsWith("meter_flow.log"));
    entries[1]->trigger();
    EXPECT_EQ(window->file_title(), "meter_flow.log");
    EXPECT_TRUE(recent->actions()[0]->text().endsWith("meter_flow.log"));
    // Reload opens the same log again.
    child<QAction>(*window, "mnuFileReload")->trigger();
    EXPECT_EQ(status_lines(*window), (QStringList{"Opened Log File 'meter_flow.log'", "Opened Log File 'meter_flow.log'"}));
}

TEST_F(DataViewsTest, TheStatusBoxWrapsLongLinesKeepsTheNewestInViewAndTakesNoTyping) {
    auto window = make_window();
    window->resize(700, 500);
    window->show();
    auto* box = child<QPlainTextEdit>(*window, "txtStatus");
    for (int i = 0; i < 30; ++i) window->update_status_text(QString("line %1 ").arg(i) + QString(40, 'x'));
    const QString last = "ERROR: (76) " + QString(300, 'y') + " the end";
    window->update_status_text(last);
    QCoreApplication::processEvents();
    EXPECT_FALSE(box->horizontalScrollBar()->isVisible());
    EXPECT_TRUE(box->viewport()->rect().contains(box->cursorRect()));
    QTest::keyClicks(box, "typed");
    EXPECT_EQ(status_lines(*window).back(), last);
}

}  // namespace
}  // namespace corvex::viewer
