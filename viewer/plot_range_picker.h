// The time range picked on the plot: dragging with Ctrl and the left button
// marks a span of time; on release it is offered as the window's range. The
// range in force is shaded on the plot (while the plot places records by
// their times; a log placed by record index shows it in the status bar only).
//
// It watches the plot's mouse before the plot widget does, and takes only
// the drags with Ctrl; every other gesture stays the plot widget's.
#pragma once

#include <optional>

#include <QObject>
#include <QPoint>

#include "export/time_range.h"

class QCPItemRect;
class QRubberBand;

namespace corvex::viewer {

class PlotWidget;

class PlotRangePicker final : public QObject {
    Q_OBJECT

public:
    explicit PlotRangePicker(PlotWidget& plot);

    // Shades `range` on the plot; none: no shading.
    void show_range(const std::optional<exporting::TimeRange>& range);

signals:
    // A span picked: log times of its two ends, first before last.
    void picked(double first_time, double last_time);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The log time at a pixel column of the plot; empty where no record is.
    std::optional<double> time_at(int x) const;

    PlotWidget& plot_;
    QRubberBand* band_ = nullptr;
    QCPItemRect* shade_ = nullptr;
    std::optional<QPoint> start_;
};

}  // namespace corvex::viewer
