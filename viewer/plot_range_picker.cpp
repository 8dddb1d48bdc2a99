#include "viewer/plot_range_picker.h"

#include <algorithm>
#include <cmath>

#include <QMouseEvent>
#include <QRubberBand>
#include <qcustomplot.h>

#include "viewer/plot/plot_widget.h"
#include "viewer/plot/time_ticker.h"

namespace corvex::viewer {

namespace {

// Narrower drags are clicks.
constexpr int kLeastDrag = 3;

}  // namespace

PlotRangePicker::PlotRangePicker(PlotWidget& plot) : QObject(&plot), plot_(plot) {
    QCustomPlot* canvas = plot_.plot();
    // Installed after the plot widget's own filter, so it sees the mouse first.
    canvas->installEventFilter(this);
    band_ = new QRubberBand(QRubberBand::Rectangle, canvas);
    band_->setObjectName(QStringLiteral("rangeBand"));
    shade_ = new QCPItemRect(canvas);
    shade_->setLayer(QStringLiteral("background"));
    shade_->setPen(QPen(QColor(70, 130, 180, 160)));
    shade_->setBrush(QColor(70, 130, 180, 40));
    shade_->topLeft->setTypeX(QCPItemPosition::ptPlotCoords);
    shade_->topLeft->setTypeY(QCPItemPosition::ptAxisRectRatio);
    shade_->bottomRight->setTypeX(QCPItemPosition::ptPlotCoords);
    shade_->bottomRight->setTypeY(QCPItemPosition::ptAxisRectRatio);
    shade_->setVisible(false);
}

void PlotRangePicker::show_range(const std::optional<exporting::TimeRange>& range) {
    const bool shown = range && plot_.keys_are_times();
    shade_->setVisible(shown);
    if (shown) {
        // Unbounded ends reach past anything the plot can show.
        const exporting::TimeRange whole;
        const double first = range->first == whole.first ? -1e7 : exporting::second_log_time(range->first) - 0.5 * kLogSecond;
        const double last = range->last == whole.last ? 1e7 : exporting::second_log_time(range->last) + 0.5 * kLogSecond;
        shade_->topLeft->setCoords(first, 0);
        shade_->bottomRight->setCoords(last, 1);
    }
    plot_.plot()->replot(QCustomPlot::rpQueuedReplot);
}

std::optional<double> PlotRangePicker::time_at(int x) const {
    const double key = plot_.plot()->xAxis->pixelToCoord(x);
    if (plot_.keys_are_times()) return key;
    // Placed by record index: the time of the record there.
    const data::LogEnvelopes* log = plot_.log();
    const std::size_t count = log ? log->ready() : 0;
    if (count == 0 || !std::isfinite(key)) return std::nullopt;
    const auto record = static_cast<std::size_t>(std::clamp(std::llround(key), 0LL, static_cast<long long>(count - 1)));
    return log->timeline().time(record);
}

bool PlotRangePicker::eventFilter(QObject* watched, QEvent* event) {
    if (watched != plot_.plot()) return false;
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease) return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint pos = mouse->position().toPoint();
    if (type == QEvent::MouseButtonPress) {
        if (mouse->button() != Qt::LeftButton || !(mouse->modifiers() & Qt::ControlModifier)) return false;
        start_ = pos;
        band_->setGeometry(QRect(QPoint(pos.x(), plot_.plot()->axisRect()->top()), QSize(1, plot_.plot()->axisRect()->height())));
        band_->show();
        return true;
    }
    if (!start_) return false;
    const int left = std::min(start_->x(), pos.x()), right = std::max(start_->x(), pos.x());
    if (type == QEvent::MouseMove) {
        band_->setGeometry(QRect(left, plot_.plot()->axisRect()->top(), right - left + 1, plot_.plot()->axisRect()->height()));
        return true;
    }
    start_.reset();
    band_->hide();
    if (right - left < kLeastDrag) return true;
    const auto first = time_at(left), last = time_at(right);
    if (first && last && std::isfinite(*first) && std::isfinite(*last)) emit picked(std::min(*first, *last), std::max(*first, *last));
    return true;
}

}  // namespace corvex::viewer
