// The plot widget on the offscreen platform: it draws a unit's line where
// its values are, reads the values at the cursor, and zooms and pans with
// the mouse and the keys.
#include <cmath>
#include <limits>
#include <memory>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include "viewer/data/log_envelopes.h"
#include "viewer/plot/plot_widget.h"

namespace corvex::viewer {
namespace {

constexpr double kStart = 45292.25;  // 2024-01-01 06:00:00
constexpr double kSecond = 1.0 / 86400.0;
constexpr std::size_t kRecords = 10000;

// Unit 0 steps from 0 to 10 half way; unit 1 rises by 0.5 a record, with an
// error word at record 1234; unit 2 shares unit 0's symbol.
std::shared_ptr<data::LogEnvelopes> test_log() {
    auto log = data::LogEnvelopes::create(3, kRecords);
    EXPECT_TRUE(log.has_value());
    data::RecordBlock block;
    block.clear(3);
    for (std::size_t i = 0; i < kRecords; ++i) {
        block.times.push_back(kStart + static_cast<double>(i) * kSecond);
        block.values[0].push_back(i < kRecords / 2 ? 0.0 : 10.0);
        block.values[1].push_back(static_cast<double>(i) * 0.5);
        block.values[2].push_back(i == 77 ? std::numeric_limits<double>::quiet_NaN() : -3.0);
        block.errors[1].push_back(i == 1234 ? std::int16_t{8} : std::int16_t{0});
    }
    (*log)->append(block);
    return std::shared_ptr<data::LogEnvelopes>(std::move(*log).release());
}

class PlotWidgetTest : public ::testing::Test {
protected:
    PlotWidgetTest() {
        widget.resize(1000, 500);
        widget.show();
        widget.set_log(log, {{0, "Flow(m/s)", "m/s"}, {1, "Level(m)", "m"}, {2, "Velocity(m/s)", "m/s"}});
        QApplication::processEvents();
    }
    QCustomPlot& plot() { return *widget.plot(); }
    QPoint pixel_of(std::size_t unit, double time, double value) {
        const QCPGraph* line = plot().graph(static_cast<int>(2 * unit));
        return QPoint(static_cast<int>(std::lround(line->keyAxis()->coordToPixel(time))),
                      static_cast<int>(std::lround(line->valueAxis()->coordToPixel(value))));
    }
    void send(QEvent&& event) { QApplication::sendEvent(widget.plot(), &event); }
    void mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons) {
        send(QMouseEvent(type, QPointF(at), plot().mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier));
    }

    std::shared_ptr<data::LogEnvelopes> log = test_log();
    PlotWidget widget;
};

// Whether a pixel near `at` has (nearly) the colour `colour`.
bool drawn_near(const QImage& image, QPoint at, const QColor& colour) {
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const QColor c = image.pixelColor(at + QPoint(dx, dy));
            if (std::abs(c.red() - colour.red()) + std::abs(c.green() - colour.green()) +
                    std::abs(c.blue() - colour.blue()) < 90) {
                return true;
            }
        }
    }
    return false;
}

TEST_F(PlotWidgetTest, DrawsEachUnitOnTheAxisOfItsSymbolAndReadsValuesAtTheCursor) {
    // Units with one symbol share a value axis; another symbol has its own.
    EXPECT_EQ(plot().graph(0)->valueAxis(), plot().graph(4)->valueAxis());
    EXPECT_NE(plot().graph(0)->valueAxis(), plot().graph(2)->valueAxis());
    EXPECT_EQ(plot().graph(2)->valueAxis()->label(), "m");

    const QImage image = plot().toPixmap().toImage();
    const QColor flow = PlotWidget::unit_colour(0);
    const double early = kStart + 2500 * kSecond;
    const double late = kStart + 7500 * kSecond;
    EXPECT_TRUE(drawn_near(image, pixel_of(0, early, 0), flow));
    EXPECT_TRUE(drawn_near(image, pixel_of(0, late, 10), flow));
    EXPECT_FALSE(drawn_near(image, pixel_of(0, early, 10), flow));
    EXPECT_FALSE(drawn_near(image, pixel_of(0, late, 0), flow));

    struct Case {
        double time;
        std::size_t record;
        bool error;
    };
    for (const Case& c : {Case{kStart + (7321 + 0.3) * kSecond, 7321, false},
                          Case{kStart + (1234 - 0.4) * kSecond, 1234, true}, Case{kStart - 1, 0, false}}) {
        widget.set_cursor(c.time);
        const std::vector<CursorReading> readings = widget.readings();
        ASSERT_EQ(readings.size(), 3u);
        EXPECT_EQ(readings[0].record, c.record);
        EXPECT_EQ(readings[0].time, kStart + static_cast<double>(c.record) * kSecond);
        EXPECT_EQ(readings[0].value, c.record < kRecords / 2 ? 0.0 : 10.0);
        EXPECT_EQ(readings[1].value, static_cast<double>(c.record) * 0.5);
        EXPECT_EQ(readings[1].error, c.error);
        EXPECT_FALSE(readings[0].error);
    }
    const auto* readout = widget.findChild<QLabel*>("readout");
    ASSERT_NE(readout, nullptr);
    EXPECT_TRUE(readout->isVisible());
    EXPECT_TRUE(readout->text().contains("Level(m): 0")) << readout->text().toStdString();

    // Zoomed in to a hundred records, the pointer picks a single record.
    widget.set_key_range(kStart + 4000 * kSecond, kStart + 4100 * kSecond);
    const QPoint at(pixel_of(1, kStart + 4042 * kSecond, 0).x(), plot().axisRect()->rect().center().y());
    mouse(QEvent::MouseMove, at, Qt::NoButton, Qt::NoButton);
    ASSERT_TRUE(widget.cursor_record().has_value());
    EXPECT_EQ(*widget.cursor_record(), 4042u);
    EXPECT_TRUE(readout->text().contains("Level(m): 2021")) << readout->text().toStdString();
}

TEST_F(PlotWidgetTest, ZoomsAndPansWithMouseAndKeys) {
    const double full_first = widget.first_key();
    const double full_last = widget.last_key();
    const double full_span = full_last - full_first;
    const QRect area = plot().axisRect()->rect();
    const QPoint centre = area.center();
    const double centre_key = plot().xAxis->pixelToCoord(centre.x());

    // The wheel zooms about the pointer: the key under it stays there.
    send(QWheelEvent(QPointF(centre), plot().mapToGlobal(QPointF(centre)), QPoint(), QPoint(0, 240), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false));
    EXPECT_NEAR(widget.last_key() - widget.first_key(), full_span * 0.64, full_span * 1e-9);
    EXPECT_NEAR(plot().xAxis->pixelToCoord(centre.x()), centre_key, full_span * 1e-6);

    // Dragging 100 pixels to the right shows earlier times.
    const double span = widget.last_key() - widget.first_key();
    const double before = widget.first_key();
    mouse(QEvent::MouseButtonPress, centre, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, centre + QPoint(100, 0), Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, centre + QPoint(100, 0), Qt::LeftButton, Qt::NoButton);
    EXPECT_NEAR(widget.first_key(), before - span * 100 / area.width(), span * 1e-9);

    // A rectangle dragged with the right button becomes the view, in time and values.
    const QPoint from = area.topLeft() + QPoint(100, 100);
    const QPoint to = from + QPoint(200, 150);
    const double want_first = plot().xAxis->pixelToCoord(from.x());
    const double want_last = plot().xAxis->pixelToCoord(to.x());
    const double want_top = plot().yAxis->pixelToCoord(from.y());
    mouse(QEvent::MouseButtonPress, from, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseMove, to, Qt::NoButton, Qt::RightButton);
    mouse(QEvent::MouseButtonRelease, to, Qt::RightButton, Qt::NoButton);
    EXPECT_NEAR(widget.first_key(), want_first, span * 1e-9);
    EXPECT_NEAR(widget.last_key(), want_last, span * 1e-9);
    EXPECT_NEAR(plot().yAxis->range().upper, want_top, 1e-9);

    // Keys: Right pans by a tenth, Home shows everything again.
    const double zoomed_first = widget.first_key();
    const double zoomed_span = widget.last_key() - widget.first_key();
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier));
    EXPECT_NEAR(widget.first_key(), zoomed_first + zoomed_span / 10, zoomed_span * 1e-9);
    send(QKeyEvent(QEvent::KeyPress, Qt::Key_Home, Qt::NoModifier));
    EXPECT_EQ(widget.first_key(), full_first);
    EXPECT_EQ(widget.last_key(), full_last);
    // The view never goes past the log or below the least span.
    widget.set_key_range(full_first - 100, full_first - 99);
    EXPECT_EQ(widget.first_key(), full_first);
    widget.zoom(1e-12, full_first + full_span / 2);
    EXPECT_GT(widget.last_key() - widget.first_key(), 5 * kSecond);
}

TEST(PlotWidgetRefresh, FollowsAGrowingLogAndPlacesRecordsByIndexOnceATimeFalls) {
    std::shared_ptr<data::LogEnvelopes> log = data::LogEnvelopes::create(1, 300).value();
    std::size_t appended = 0;
    auto append = [&](std::size_t count, double time_of_last) {
        data::RecordBlock block;
        block.clear(1);
        for (std::size_t i = 0; i < count; ++i, ++appended) {
            block.times.push_back(kStart + static_cast<double>(appended) * kSecond);
            block.values[0].push_back(1.0);
        }
        block.times.back() = time_of_last;
        log->append(block);
    };
    append(100, kStart + 99 * kSecond);
    PlotWidget widget;
    widget.resize(800, 400);
    widget.show();
    widget.set_log(log, {{0, "Flow(m/s)", "m/s"}});
    EXPECT_LT(widget.last_key(), kStart + 100 * kSecond);

    // A view of the whole log grows with it; a zoomed view stays.
    append(100, kStart + 199 * kSecond);
    widget.refresh();
    EXPECT_GT(widget.last_key(), kStart + 199 * kSecond);
    widget.set_key_range(kStart + 10 * kSecond, kStart + 30 * kSecond);
    append(50, kStart + 249 * kSecond);
    widget.refresh();
    EXPECT_NEAR(widget.first_key(), kStart + 10 * kSecond, 1e-9);

    // A time that falls: records are placed by index from then on.
    append(1, kStart);
    widget.refresh();
    EXPECT_FALSE(widget.keys_are_times());
    EXPECT_LT(widget.first_key(), 0);
    EXPECT_GT(widget.last_key(), 250);
}

}  // namespace
}  // namespace corvex::viewer
