#include "viewer/plot/plot_widget.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <map>

#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QRubberBand>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <qcustomplot.h>

#include "viewer/data/plot_points.h"
#include "export/text_forms.h"
#include "viewer/plot/time_ticker.h"

namespace corvex::viewer {

namespace {

// The least span the view zooms to: a few seconds of log time, or a few
// records of a log placed by index.
constexpr double kLeastTimeSpan = 10 * kLogSecond;
constexpr double kLeastIndexSpan = 4;
// How far one wheel notch zooms, and the keys pan.
constexpr double kWheelZoom = 0.8;
constexpr double kKeyPan = 0.1;
// The smallest rectangle (pixels each way) taken as a zoom.
constexpr int kLeastBand = 4;
// Records are marked when they lie at least this many pixels apart.
constexpr std::size_t kPixelsPerMarker = 6;
// Room for one time label (general date text) along the time axis.
constexpr int kPixelsPerTick = 170;

const char* const kCursorLayer = "cursor";

}  // namespace

QColor PlotWidget::unit_colour(std::size_t index) {
    // Twelve colours that stay apart on white, in the order units are listed.
    static const std::array<QColor, 12> kColours{
        QColor(31, 119, 180), QColor(255, 127, 14), QColor(44, 160, 44),  QColor(148, 103, 189),
        QColor(140, 86, 75),  QColor(227, 119, 194), QColor(127, 127, 127), QColor(188, 189, 34),
        QColor(23, 190, 207), QColor(0, 0, 128),     QColor(128, 128, 0),  QColor(0, 128, 128)};
    return kColours[index % kColours.size()];
}

PlotWidget::PlotWidget(QWidget* parent)
    : QWidget(parent), forms_(std::make_unique<exporting::TextForms>(exporting::TextForms::from_environment())) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    plot_ = new QCustomPlot(this);
    plot_->setObjectName(QStringLiteral("plot"));
    plot_->setMinimumSize(300, 200);
    plot_->setFocusPolicy(Qt::StrongFocus);
    plot_->setMouseTracking(true);
    plot_->installEventFilter(this);
    layout->addWidget(plot_);

    ticker_ = QSharedPointer<TimeTicker>::create(
        [this](double time) { return QString::fromStdString(forms_->general_date(time)); });
    plot_->xAxis->setTicker(ticker_);
    plot_->legend->setVisible(true);
    plot_->legend->setBrush(QColor(255, 255, 255, 210));
    plot_->axisRect()->insetLayout()->setInsetAlignment(0, Qt::AlignTop | Qt::AlignRight);

    // The cursor has a buffer of its own, so moving it repaints only itself.
    plot_->addLayer(QString::fromLatin1(kCursorLayer), plot_->layer(QStringLiteral("main")), QCustomPlot::limAbove);
    plot_->layer(QString::fromLatin1(kCursorLayer))->setMode(QCPLayer::lmBuffered);
    cursor_line_ = new QCPItemStraightLine(plot_);
    cursor_line_->setLayer(QString::fromLatin1(kCursorLayer));
    cursor_line_->setPen(QPen(QColor(60, 60, 60), 1, Qt::DashLine));
    cursor_line_->setVisible(false);

    readout_ = new QLabel(plot_);
    readout_->setObjectName(QStringLiteral("readout"));
    readout_->setTextFormat(Qt::RichText);
    readout_->setAttribute(Qt::WA_TransparentForMouseEvents);
    readout_->setStyleSheet(QStringLiteral(
        "QLabel { background: rgba(255, 255, 255, 225); border: 1px solid #909090; padding: 3px; }"));
    readout_->hide();
    band_ = new QRubberBand(QRubberBand::Rectangle, plot_);
}

// The plot goes first: its time labels use the text forms.
PlotWidget::~PlotWidget() { delete plot_; }

void PlotWidget::set_log(std::shared_ptr<const data::LogEnvelopes> log, std::vector<PlotUnit> units) {
    log_ = std::move(log);
    ready_ = log_ ? log_->ready() : 0;
    keys_are_times_ = !log_ || log_->timeline().by_time(ready_);
    ticker_->set_time_at_key(nullptr);
    if (!keys_are_times_) {
        ticker_->set_time_at_key([this](double key) -> std::optional<double> {
            if (!log_ || !(key >= -0.5) || key >= static_cast<double>(ready_) - 0.5) return std::nullopt;
            return log_->timeline().time(static_cast<std::size_t>(std::llround(key)));
        });
    }
    clear_cursor();
    set_units(std::move(units));
    reset_view();
}

void PlotWidget::set_units(std::vector<PlotUnit> units) {
    const std::size_t unit_count = log_ ? log_->unit_count() : 0;
    std::erase_if(units, [unit_count](const PlotUnit& u) { return u.unit >= unit_count; });
    units_ = std::move(units);
    build_series();
    redraw();
    if (cursor_record_) set_cursor(log_->timeline().key(*cursor_record_, ready_));
}

void PlotWidget::build_series() {
    plot_->clearGraphs();
    for (QCPAxis* axis : added_axes_) plot_->axisRect()->removeAxis(axis);
    added_axes_.clear();
    lines_.clear();
    error_marks_.clear();
    unit_axes_.clear();

    // One value axis per symbol, in the order the units bring them: left,
    // right, then outwards on alternate sides.
    std::map<QString, QCPAxis*> axis_of_symbol;
    std::map<QCPAxis*, std::vector<std::size_t>> units_of_axis;
    std::vector<QCPAxis*> axes;
    for (std::size_t i = 0; i < units_.size(); ++i) {
        auto [it, added] = axis_of_symbol.try_emplace(units_[i].symbol, nullptr);
        if (added) {
            if (axes.empty()) it->second = plot_->yAxis;
            else if (axes.size() == 1) it->second = plot_->yAxis2;
            else it->second = plot_->axisRect()->addAxis(axes.size() % 2 == 0 ? QCPAxis::atLeft : QCPAxis::atRight);
            if (axes.size() >= 2) added_axes_.push_back(it->second);
            it->second->setLabel(units_[i].symbol);
            it->second->grid()->setVisible(axes.empty());
            axes.push_back(it->second);
        }
        unit_axes_.push_back(it->second);
        units_of_axis[it->second].push_back(i);
    }
    plot_->yAxis2->setVisible(axes.size() >= 2);
    plot_->yAxis2->setTickLabels(axes.size() >= 2);
    if (axes.empty()) plot_->yAxis->setLabel(QString());

    // An axis serving one unit takes its colour.
    auto colour_axis = [](QCPAxis* axis, const QColor& colour) {
        axis->setBasePen(QPen(colour));
        axis->setTickPen(QPen(colour));
        axis->setSubTickPen(QPen(colour));
        axis->setLabelColor(colour);
        axis->setTickLabelColor(colour);
    };
    colour_axis(plot_->yAxis, Qt::black);
    colour_axis(plot_->yAxis2, Qt::black);
    for (const auto& [axis, members] : units_of_axis) {
        colour_axis(axis, members.size() == 1 ? unit_colour(members.front()) : QColor(Qt::black));
    }

    for (std::size_t i = 0; i < units_.size(); ++i) {
        QCPGraph* line = plot_->addGraph(plot_->xAxis, unit_axes_[i]);
        line->setName(units_[i].label);
        line->setPen(QPen(unit_colour(i), 1));
        lines_.push_back(line);
        QCPGraph* marks = plot_->addGraph(plot_->xAxis, unit_axes_[i]);
        marks->setName(tr("Error"));
        marks->setLineStyle(QCPGraph::lsNone);
        marks->setScatterStyle(QCPScatterStyle(QCPScatterStyle::ssTriangle, QPen(Qt::red), QBrush(Qt::red), 7));
        marks->removeFromLegend();
        error_marks_.push_back(marks);
    }
}

std::optional<std::pair<double, double>> PlotWidget::full_range() const {
    if (!log_ || ready_ == 0) return std::nullopt;
    const data::Timeline& timeline = log_->timeline();
    const double first = timeline.key(0, ready_);
    const double last = timeline.key(ready_ - 1, ready_);
    const double pad = last > first ? (last - first) * 0.01 : (keys_are_times_ ? 30 * kLogSecond : 1.0);
    return std::pair(first - pad, last + pad);
}

double PlotWidget::least_span() const { return keys_are_times_ ? kLeastTimeSpan : kLeastIndexSpan; }

double PlotWidget::first_key() const { return plot_->xAxis->range().lower; }
double PlotWidget::last_key() const { return plot_->xAxis->range().upper; }

void PlotWidget::reset_view() {
    values_fixed_ = false;
    if (const auto full = full_range()) plot_->xAxis->setRange(full->first, full->second);
    whole_log_shown_ = true;
    redraw();
    emit view_changed();
}

void PlotWidget::set_key_range(double first, double last) {
    const auto full = full_range();
    if (!full || !std::isfinite(first) || !std::isfinite(last) || !(last > first)) return;
    const double widest = full->second - full->first;
    double span = last - first;
    if (span < least_span()) {
        first = (first + last) / 2 - least_span() / 2;
        span = least_span();
    }
    if (span >= widest) {
        span = widest;
        first = full->first;
    }
    first = std::clamp(first, full->first, full->second - span);
    plot_->xAxis->setRange(first, first + span);
    whole_log_shown_ = span >= widest;
    redraw();
    emit view_changed();
}

void PlotWidget::zoom(double factor, double centre) {
    if (!(factor > 0)) return;
    set_key_range(centre - (centre - first_key()) * factor, centre + (last_key() - centre) * factor);
}

void PlotWidget::pan(double fraction) {
    const double shift = (last_key() - first_key()) * fraction;
    set_key_range(first_key() + shift, last_key() + shift);
}

void PlotWidget::refresh() {
    if (!log_) return;
    const std::size_t ready = log_->ready();
    if (ready == ready_) return;
    const bool by_time = log_->timeline().by_time(ready);
    if (by_time != keys_are_times_) {
        // A time out of order arrived: the keys change meaning, start over.
        set_log(log_, units_);
        return;
    }
    ready_ = ready;
    if (whole_log_shown_) {
        const bool fixed = values_fixed_;
        reset_view();
        values_fixed_ = fixed;
    } else {
        redraw();
    }
}

void PlotWidget::redraw() {
    // The axis rectangle learns its width when the plot lays itself out, so
    // the points are made for the width of the last layout. When that was
    // far off (the widget was resized), draw once more at the new width; a
    // few pixels (value labels of another width) change nothing visible.
    for (int pass = 0; pass < 2; ++pass) {
        const int columns = plot_->axisRect()->width();
        draw_points();
        plot_->xAxis->ticker()->setTickCount(std::max(2, columns / kPixelsPerTick));
        plot_->replot(QCustomPlot::rpQueuedRefresh);
        if (std::abs(plot_->axisRect()->width() - columns) <= columns / 20) break;
    }
    if (cursor_record_) show_readout();
}

void PlotWidget::draw_points() {
    std::vector<std::pair<double, double>> extremes;
    const auto columns = static_cast<std::size_t>(std::max(1, plot_->axisRect()->width()));
    if (log_ && ready_ > 0) {
        const data::PlotSlice slice(*log_, ready_, first_key(), last_key(), columns);
        data::PlotPoints points;
        QVector<QCPGraphData> line, marks;
        const bool marked = slice.per_record() && slice.visible_records() * kPixelsPerMarker <= columns;
        for (std::size_t i = 0; i < units_.size(); ++i) {
            // Smoothing pays for lines between records; the dense strokes of
            // envelopes look the same without it and draw faster.
            lines_[i]->setAntialiased(slice.per_record());
            lines_[i]->setScatterStyle(marked ? QCPScatterStyle(QCPScatterStyle::ssDisc, 4) : QCPScatterStyle());
            points.fill(slice, units_[i].unit);
            line.resize(static_cast<qsizetype>(points.keys.size()));
            for (std::size_t p = 0; p < points.keys.size(); ++p) {
                line[static_cast<qsizetype>(p)] = QCPGraphData(points.keys[p], points.values[p]);
            }
            marks.resize(static_cast<qsizetype>(points.error_keys.size()));
            for (std::size_t p = 0; p < points.error_keys.size(); ++p) {
                marks[static_cast<qsizetype>(p)] = QCPGraphData(points.error_keys[p], points.error_values[p]);
            }
            lines_[i]->data()->set(line, true);
            error_marks_[i]->data()->set(marks, true);
            extremes.emplace_back(points.min, points.max);
        }
    }
    // One legend entry explains the error marks, when any are shown.
    bool explained = false;
    for (QCPGraph* marks : error_marks_) {
        const bool show = !explained && !marks->data()->isEmpty();
        if (show) marks->addToLegend();
        else marks->removeFromLegend();
        explained = explained || show;
    }
    if (!values_fixed_) fit_value_axes(extremes);
}

void PlotWidget::fit_value_axes(const std::vector<std::pair<double, double>>& extremes) {
    std::map<QCPAxis*, std::pair<double, double>> range;
    for (std::size_t i = 0; i < extremes.size(); ++i) {
        auto [it, added] = range.try_emplace(unit_axes_[i], extremes[i]);
        if (!added) {
            it->second.first = std::min(it->second.first, extremes[i].first);
            it->second.second = std::max(it->second.second, extremes[i].second);
        }
    }
    for (const auto& [axis, r] : range) {
        if (!(r.first <= r.second)) continue;  // nothing finite in view: keep the axis
        const double pad = r.second > r.first ? (r.second - r.first) * 0.05 : std::max(std::fabs(r.first) * 0.05, 0.5);
        axis->setRange(r.first - pad, r.second + pad);
    }
}

void PlotWidget::set_cursor(double key) {
    if (!log_ || ready_ == 0) return;
    const auto record = log_->timeline().nearest(key, ready_);
    if (!record) return;
    const bool moved = record != cursor_record_;
    cursor_record_ = record;
    const double at = log_->timeline().key(*record, ready_);
    cursor_line_->point1->setCoords(at, 0);
    cursor_line_->point2->setCoords(at, 1);
    cursor_line_->setVisible(true);
    show_readout();
    plot_->layer(QString::fromLatin1(kCursorLayer))->replot();
    if (moved) emit cursor_moved();
}

void PlotWidget::clear_cursor() {
    const bool had = cursor_record_.has_value();
    cursor_record_.reset();
    cursor_line_->setVisible(false);
    readout_->hide();
    plot_->layer(QString::fromLatin1(kCursorLayer))->replot();
    if (had) emit cursor_moved();
}

std::vector<CursorReading> PlotWidget::readings() const {
    std::vector<CursorReading> out;
    if (!cursor_record_ || !log_) return out;
    const std::size_t r = *cursor_record_;
    for (const PlotUnit& u : units_) {
        const data::EnvelopePyramid& pyramid = log_->unit(u.unit);
        out.push_back(CursorReading{u.unit, r, log_->timeline().time(r), pyramid.value(r), pyramid.error(r)});
    }
    return out;
}

void PlotWidget::show_readout() {
    if (!cursor_record_) return;
    const std::size_t r = *cursor_record_;
    QString text = QStringLiteral("<b>%1</b>").arg(
        QString::fromStdString(forms_->general_date(log_->timeline().time(r))).toHtmlEscaped());
    const std::vector<CursorReading> values = readings();
    for (std::size_t i = 0; i < values.size(); ++i) {
        text += QStringLiteral("<br><span style=\"color:%1\">&#9632;</span> %2: %3")
                    .arg(unit_colour(i).name(), units_[i].label.toHtmlEscaped(),
                         QString::fromStdString(forms_->number(values[i].value)).toHtmlEscaped());
        if (values[i].error) text += QStringLiteral(" <span style=\"color:red\">&#9650; %1</span>").arg(tr("error"));
    }
    readout_->setText(text);
    readout_->adjustSize();
    const QRect area = plot_->axisRect()->rect();
    const int x = static_cast<int>(plot_->xAxis->coordToPixel(log_->timeline().key(r, ready_)));
    int left = x + 12;
    if (left + readout_->width() > area.right()) left = x - 12 - readout_->width();
    QRect place(QPoint(std::max(left, area.left()), area.top() + 6), readout_->size());
    // Below the legend rather than over it.
    const QRect legend = plot_->legend->outerRect();
    if (plot_->legend->visible() && place.intersects(legend)) place.moveTop(legend.bottom() + 6);
    readout_->move(place.topLeft());
    readout_->show();
    readout_->raise();
}

double PlotWidget::key_at_pixel(double x) const { return plot_->xAxis->pixelToCoord(x); }

bool PlotWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched != plot_) return QWidget::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Resize:
        // The plot takes its new size first; draw for it afterwards.
        QMetaObject::invokeMethod(this, &PlotWidget::redraw, Qt::QueuedConnection);
        return false;
    case QEvent::Wheel:
    case QEvent::MouseButtonPress:
    case QEvent::MouseMove:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
        return handle_mouse(event);
    case QEvent::KeyPress:
        return handle_key(event);
    default:
        return false;
    }
}

bool PlotWidget::handle_mouse(QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        const auto* wheel = static_cast<QWheelEvent*>(event);
        const double notches = wheel->angleDelta().y() / 120.0;
        if (notches != 0) zoom(std::pow(kWheelZoom, notches), key_at_pixel(wheel->position().x()));
        return true;
    }
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint pos = mouse->position().toPoint();
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (mouse->button() == Qt::LeftButton) reset_view();
        return true;
    case QEvent::MouseButtonPress:
        drag_start_ = pos;
        drag_first_key_ = first_key();
        drag_last_key_ = last_key();
        if (mouse->button() == Qt::RightButton ||
            (mouse->button() == Qt::LeftButton && (mouse->modifiers() & Qt::ShiftModifier))) {
            drag_ = Drag::band;
            band_->setGeometry(QRect(pos, QSize()));
            band_->show();
        } else if (mouse->button() == Qt::LeftButton) {
            drag_ = Drag::pan;
        }
        return true;
    case QEvent::MouseMove:
        if (drag_ == Drag::pan) {
            const double width = std::max(1, plot_->axisRect()->width());
            const double shift = -(pos.x() - drag_start_.x()) / width * (drag_last_key_ - drag_first_key_);
            set_key_range(drag_first_key_ + shift, drag_last_key_ + shift);
        } else if (drag_ == Drag::band) {
            band_->setGeometry(QRect(drag_start_, pos).normalized());
        } else if (plot_->axisRect()->rect().contains(pos)) {
            set_cursor(key_at_pixel(pos.x()));
        }
        return true;
    case QEvent::MouseButtonRelease: {
        const Drag ended = drag_;
        drag_ = Drag::none;
        if (ended != Drag::band) return true;
        band_->hide();
        const QRect rect = QRect(drag_start_, pos).normalized() & plot_->axisRect()->rect();
        if (rect.width() < kLeastBand || rect.height() < kLeastBand) return true;
        for (QCPAxis* axis : plot_->axisRect()->axes(QCPAxis::atLeft | QCPAxis::atRight)) {
            if (axis->visible()) axis->setRange(axis->pixelToCoord(rect.bottom()), axis->pixelToCoord(rect.top()));
        }
        values_fixed_ = true;
        set_key_range(key_at_pixel(rect.left()), key_at_pixel(rect.right()));
        return true;
    }
    default:
        return false;
    }
}

bool PlotWidget::handle_key(QEvent* event) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const double centre = (first_key() + last_key()) / 2;
    switch (key->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal:
        zoom(kWheelZoom, centre);
        return true;
    case Qt::Key_Minus:
        zoom(1 / kWheelZoom, centre);
        return true;
    case Qt::Key_Left:
        pan(-kKeyPan);
        return true;
    case Qt::Key_Right:
        pan(kKeyPan);
        return true;
    case Qt::Key_Home:
        reset_view();
        return true;
    case Qt::Key_Escape:
        drag_ = Drag::none;
        band_->hide();
        clear_cursor();
        return true;
    default:
        return false;
    }
}

}  // namespace corvex::viewer
