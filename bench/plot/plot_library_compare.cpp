// The two plot libraries the viewer could draw with, measured on the same
// work: a 10-million-record log of 4 units (two engineering units, so two
// value axes), its envelopes at 2000 pixel columns drawn as lines through
// each column's least and greatest value, with error markers, a legend and
// a time axis; the view is zoomed (each step a new span) or panned (each step
// a new start), and every step queries the envelopes, hands the points to the
// library and renders the plot into an image. Qt Charts is measured only when
// its development files are installed (it is not one of the viewer's
// dependencies).
#include <chrono>
#include <cmath>
#include <memory>
#include <vector>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <QImage>
#include <QPainter>
#include <qcustomplot.h>
#ifdef CORVEX_HAVE_QT_CHARTS
#include <QtCharts/QChart>
#include <QtCharts/QDateTimeAxis>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#endif

#include "synthetic_log.h"
#include "viewer/data/plot_points.h"
#include "export/text_forms.h"
#include "viewer/plot/time_ticker.h"

namespace {

using corvex::viewer::data::LogEnvelopes;
using corvex::viewer::data::PlotPoints;
using corvex::viewer::data::PlotSlice;

constexpr int kWidth = 2000;
constexpr int kHeight = 600;
constexpr std::size_t kUnits = 4;

const LogEnvelopes& big_log() {
    static const std::unique_ptr<LogEnvelopes> log = corvex::bench::synthetic_log(10'000'000, kUnits);
    return *log;
}

// The view at step `step`: zooming runs through spans from the whole log to
// 1/1000 of it; panning moves a tenth of the log across it.
struct View {
    double first, last;
};
View view_at(bool zoom, std::size_t step) {
    const LogEnvelopes& log = big_log();
    const std::size_t n = log.ready();
    const double start = log.timeline().key(0, n);
    const double full = log.timeline().key(n - 1, n) - start;
    if (zoom) {
        const double span = full * std::pow(0.7, static_cast<double>(step % 20));
        const double centre = start + full * 0.37;
        const double first = std::max(start, centre - span / 2);
        return {first, first + span};
    }
    const double span = full / 10;
    const double first = start + (full - span) * static_cast<double>(step % 50) / 49.0;
    return {first, first + span};
}

struct Timing {
    double query = 0, draw = 0;
    void report(benchmark::State& state) const {
        const double n = static_cast<double>(state.iterations());
        state.counters["query_ms"] = query / n * 1e3;
        state.counters["draw_ms"] = draw / n * 1e3;
    }
};

double seconds_since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

const QColor kColours[kUnits] = {QColor(31, 119, 180), QColor(214, 39, 40), QColor(44, 160, 44), QColor(148, 103, 189)};

void BM_QCustomPlot(benchmark::State& state) {
    const bool zoom = state.range(0) != 0;
    const bool antialiased = state.range(1) != 0;
    const LogEnvelopes& log = big_log();
    const auto forms = corvex::exporting::TextForms::from_environment();
    QCustomPlot plot;
    plot.resize(kWidth, kHeight);
    plot.xAxis->setTicker(QSharedPointer<QCPAxisTicker>(new corvex::viewer::TimeTicker(
        [&forms](double t) { return QString::fromStdString(forms.general_date(t)); })));
    plot.xAxis->ticker()->setTickCount(kWidth / 200);
    QCPAxis* axes[2] = {plot.yAxis, plot.axisRect()->addAxis(QCPAxis::atLeft)};
    axes[0]->setLabel("m/s");
    axes[1]->setLabel("m³/h");
    plot.legend->setVisible(true);
    if (!antialiased) plot.setNotAntialiasedElements(QCP::aeAll);
    std::vector<QCPGraph*> lines, errors;
    for (std::size_t u = 0; u < kUnits; ++u) {
        lines.push_back(plot.addGraph(plot.xAxis, axes[u % 2]));
        lines.back()->setPen(QPen(kColours[u]));
        lines.back()->setName(QString("Unit %1").arg(u));
        errors.push_back(plot.addGraph(plot.xAxis, axes[u % 2]));
        errors.back()->setLineStyle(QCPGraph::lsNone);
        errors.back()->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangle, Qt::red, 7));
        errors.back()->removeFromLegend();
    }
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    PlotPoints points;
    Timing timing;
    std::size_t step = 0;
    for (auto _ : state) {
        const View view = view_at(zoom, step++);
        auto t0 = std::chrono::steady_clock::now();
        const PlotSlice slice(log, log.ready(), view.first, view.last, static_cast<std::size_t>(kWidth));
        std::vector<PlotPoints> all(kUnits);
        for (std::size_t u = 0; u < kUnits; ++u) all[u].fill(slice, u);
        timing.query += seconds_since(t0);
        t0 = std::chrono::steady_clock::now();
        plot.xAxis->setRange(view.first, view.last);
        double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
        for (std::size_t u = 0; u < kUnits; ++u) {
            const PlotPoints& p = all[u];
            lines[u]->setData(QVector<double>(p.keys.begin(), p.keys.end()),
                              QVector<double>(p.values.begin(), p.values.end()), true);
            errors[u]->setData(QVector<double>(p.error_keys.begin(), p.error_keys.end()),
                               QVector<double>(p.error_values.begin(), p.error_values.end()), true);
            lo[u % 2] = std::min(lo[u % 2], p.min);
            hi[u % 2] = std::max(hi[u % 2], p.max);
        }
        for (int a = 0; a < 2; ++a) axes[a]->setRange(lo[a], hi[a]);
        QCPPainter painter(&image);
        plot.toPainter(&painter, kWidth, kHeight);
        painter.end();
        timing.draw += seconds_since(t0);
    }
    timing.report(state);
}
BENCHMARK(BM_QCustomPlot)->ArgNames({"zoom", "aa"})->ArgsProduct({{1, 0}, {1, 0}})->Unit(benchmark::kMillisecond);

#ifdef CORVEX_HAVE_QT_CHARTS
void BM_QtCharts(benchmark::State& state) {
    const bool zoom = state.range(0) != 0;
    const bool antialiased = state.range(1) != 0;
    const LogEnvelopes& log = big_log();
    QGraphicsScene scene;
    auto* chart = new QChart;
    scene.addItem(chart);
    chart->setGeometry(0, 0, kWidth, kHeight);
    auto* time_axis = new QDateTimeAxis;
    time_axis->setFormat("yyyy-MM-dd HH:mm:ss");
    time_axis->setTickCount(kWidth / 200);
    chart->addAxis(time_axis, Qt::AlignBottom);
    QValueAxis* axes[2] = {new QValueAxis, new QValueAxis};
    axes[0]->setTitleText("m/s");
    axes[1]->setTitleText("m³/h");
    for (auto* a : axes) chart->addAxis(a, Qt::AlignLeft);
    std::vector<QLineSeries*> lines;
    std::vector<QScatterSeries*> errors;
    for (std::size_t u = 0; u < kUnits; ++u) {
        lines.push_back(new QLineSeries);
        lines.back()->setPen(QPen(kColours[u]));
        lines.back()->setName(QString("Unit %1").arg(u));
        errors.push_back(new QScatterSeries);
        errors.back()->setMarkerShape(QScatterSeries::MarkerShapeTriangle);
        errors.back()->setColor(Qt::red);
        errors.back()->setMarkerSize(7);
        for (QXYSeries* s : {static_cast<QXYSeries*>(lines.back()), static_cast<QXYSeries*>(errors.back())}) {
            chart->addSeries(s);
            s->attachAxis(time_axis);
            s->attachAxis(axes[u % 2]);
        }
        chart->legend()->markers(errors.back()).front()->setVisible(false);
    }
    QImage image(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    // Keys are log times in days; the date axis counts milliseconds since 1970.
    auto ms = [](double t) { return (t - 25569.0) * 86400000.0; };
    Timing timing;
    std::size_t step = 0;
    for (auto _ : state) {
        const View view = view_at(zoom, step++);
        auto t0 = std::chrono::steady_clock::now();
        const PlotSlice slice(log, log.ready(), view.first, view.last, static_cast<std::size_t>(kWidth));
        std::vector<PlotPoints> all(kUnits);
        for (std::size_t u = 0; u < kUnits; ++u) all[u].fill(slice, u);
        timing.query += seconds_since(t0);
        t0 = std::chrono::steady_clock::now();
        time_axis->setRange(QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms(view.first)), QTimeZone::utc()),
                            QDateTime::fromMSecsSinceEpoch(static_cast<qint64>(ms(view.last)), QTimeZone::utc()));
        double lo[2] = {INFINITY, INFINITY}, hi[2] = {-INFINITY, -INFINITY};
        for (std::size_t u = 0; u < kUnits; ++u) {
            const PlotPoints& p = all[u];
            // A line series cannot break at a gap: NaN points are left out.
            QList<QPointF> line, marks;
            line.reserve(static_cast<qsizetype>(p.keys.size()));
            for (std::size_t i = 0; i < p.keys.size(); ++i) {
                if (!std::isnan(p.values[i])) line.append(QPointF(ms(p.keys[i]), p.values[i]));
            }
            for (std::size_t i = 0; i < p.error_keys.size(); ++i) {
                marks.append(QPointF(ms(p.error_keys[i]), p.error_values[i]));
            }
            lines[u]->replace(line);
            errors[u]->replace(marks);
            lo[u % 2] = std::min(lo[u % 2], p.min);
            hi[u % 2] = std::max(hi[u % 2], p.max);
        }
        for (int a = 0; a < 2; ++a) axes[a]->setRange(lo[a], hi[a]);
        QCoreApplication::sendPostedEvents();  // the chart lays itself out through posted events
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing, antialiased);
        scene.render(&painter, QRectF(0, 0, kWidth, kHeight), QRectF(0, 0, kWidth, kHeight));
        painter.end();
        timing.draw += seconds_since(t0);
    }
    timing.report(state);
}
BENCHMARK(BM_QtCharts)->ArgNames({"zoom", "aa"})->ArgsProduct({{1, 0}, {1, 0}})->Unit(benchmark::kMillisecond);
#endif

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
