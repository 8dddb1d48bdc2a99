// The plot widget's redraw after a zoom and after a pan: a 10-million-record
// log of 4 units at about 2000 pixel columns. Each step sets a new view, which
// queries the envelopes, replots and paints the widget (offscreen platform).
#include <cmath>
#include <memory>

#include <benchmark/benchmark.h>
#include <QApplication>
#include <qcustomplot.h>

#include "synthetic_log.h"
#include "viewer/plot/plot_widget.h"

namespace {

using corvex::viewer::PlotUnit;
using corvex::viewer::PlotWidget;

std::shared_ptr<const corvex::viewer::data::LogEnvelopes> big_log() {
    static const std::shared_ptr<const corvex::viewer::data::LogEnvelopes> log =
        corvex::bench::synthetic_log(10'000'000, 4);
    return log;
}

void BM_PlotWidgetRedraw(benchmark::State& state) {
    const bool zoom = state.range(0) != 0;
    PlotWidget widget;
    widget.resize(2150, 700);
    widget.show();
    widget.set_log(big_log(), {PlotUnit{0, "Flow(m/s)", "m/s"}, PlotUnit{1, "Velocity(m/s)", "m/s"},
                               PlotUnit{2, "Volume(m3/h)", "m3/h"}, PlotUnit{3, "Level(m)", "m"}});
    QApplication::processEvents();
    const double start = widget.first_key();
    const double full = widget.last_key() - start;
    std::size_t step = 0;
    for (auto _ : state) {
        double first = 0, span = 0;
        if (zoom) {
            span = full * std::pow(0.7, static_cast<double>(step % 20));
            first = start + full * 0.37 - span / 2;
        } else {
            span = full / 10;
            first = start + (full - span) * static_cast<double>(step % 50) / 49.0;
        }
        ++step;
        widget.set_key_range(first, first + span);
        widget.plot()->repaint();
    }
    state.counters["columns"] = widget.plot()->axisRect()->width();
}
BENCHMARK(BM_PlotWidgetRedraw)->ArgName("zoom")->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
