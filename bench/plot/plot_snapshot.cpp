// Renders the plot widget with a synthetic log into PNG files, to look at:
//   plot_snapshot OUT_PREFIX [RECORDS]
// writes OUT_PREFIX-all.png (the whole log, cursor set) and
// OUT_PREFIX-zoomed.png (a few minutes, every record a point).
#include <cstdlib>
#include <iostream>
#include <string>

#include <QApplication>
#include <qcustomplot.h>

#include "synthetic_log.h"
#include "viewer/plot/plot_widget.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::cerr << "usage: plot_snapshot OUT_PREFIX [RECORDS]\n";
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::size_t records = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 1'000'000;
    std::shared_ptr<const corvex::viewer::data::LogEnvelopes> log = corvex::bench::synthetic_log(records, 4);
    if (!log) return 1;
    corvex::viewer::PlotWidget widget;
    widget.resize(1200, 560);
    widget.show();
    widget.set_log(log, {{0, "Flow(m/s)", "m/s"}, {1, "Velocity(m/s)", "m/s"}, {2, "Volume(m3/h)", "m3/h"},
                         {3, "Level(m)", "m"}});
    QApplication::processEvents();
    widget.set_cursor(widget.first_key() + (widget.last_key() - widget.first_key()) * 0.62);
    QApplication::processEvents();
    const std::string prefix = argv[1];
    bool ok = widget.grab().save(QString::fromStdString(prefix + "-all.png"));
    const double middle = log->timeline().key(records / 2, log->ready());
    widget.set_key_range(middle, middle + 90.0 / 86400.0);
    widget.set_cursor(middle + 47.0 / 86400.0);
    QApplication::processEvents();
    ok = widget.grab().save(QString::fromStdString(prefix + "-zoomed.png")) && ok;
    return ok ? 0 : 1;
}
