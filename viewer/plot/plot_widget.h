// The plot of a log's units against time, drawn with QCustomPlot from the
// envelopes of data::LogEnvelopes.
//
// One shared time axis, one value axis per engineering unit (units with the
// same symbol share it), a legend, red triangles where records carry a
// non-zero error word, a dot on each record once they lie apart, and a
// cursor line whose readout shows every plotted unit's value at the record
// nearest to it.
//
// Mouse: the cursor follows the pointer; the wheel zooms time about the
// pointer; dragging with the left button pans; dragging with the right
// button (or with Shift and the left button) zooms into the rectangle, time
// and values; a double click shows everything again.
// Keys: + and - zoom, Left and Right pan, Home shows everything, Escape
// drops a rectangle being dragged and the cursor.
//
// The envelopes may still be filling on another thread: the widget draws the
// records ready at its last refresh() and never waits for more.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <vector>

#include <QColor>
#include <QString>
#include <QWidget>

#include "viewer/data/log_envelopes.h"

class QCustomPlot;
class QCPAxis;
class QCPGraph;
class QCPItemStraightLine;
class QLabel;
class QRubberBand;

namespace corvex::exporting {
class TextForms;
}

namespace corvex::viewer {

class TimeTicker;

// A unit to plot: its index in the log, its legend text and its engineering
// unit (the symbol that picks its value axis).
struct PlotUnit {
    std::size_t unit = 0;
    QString label;
    QString symbol;
};

// What the cursor reads for one plotted unit.
struct CursorReading {
    std::size_t unit = 0;
    std::size_t record = 0;
    double time = 0;   // the record's log time
    double value = 0;  // NaN when the record has no finite value
    bool error = false;
};

class PlotWidget final : public QWidget {
    Q_OBJECT
public:
    explicit PlotWidget(QWidget* parent = nullptr);
    ~PlotWidget() override;

    // Plots `units` of `log` and shows all of it; a null log empties the plot.
    void set_log(std::shared_ptr<const data::LogEnvelopes> log, std::vector<PlotUnit> units);
    // Plots other units of the same log, keeping the time range.
    void set_units(std::vector<PlotUnit> units);
    const std::vector<PlotUnit>& units() const { return units_; }
    // The log plotted; null when the plot is empty.
    const data::LogEnvelopes* log() const { return log_.get(); }

    // Takes in the records made ready since the last call. A view that showed
    // the whole log grows with it; a zoomed view stays where it is.
    void refresh();

    // Shows the whole log with the value axes fitted to it.
    void reset_view();
    // The visible keys (log times, or record indices for a log whose times
    // cannot place its records; see data::Timeline).
    double first_key() const;
    double last_key() const;
    bool keys_are_times() const { return keys_are_times_; }
    // Shows keys [first, last), kept within the log and a least span.
    void set_key_range(double first, double last);
    // Scales the visible span by `factor` (below 1 zooms in) about `centre`.
    void zoom(double factor, double centre);
    // Moves the view by `fraction` of its span (positive: later).
    void pan(double fraction);

    // Puts the cursor on the record nearest to `key`; nothing without records.
    void set_cursor(double key);
    void clear_cursor();
    std::optional<std::size_t> cursor_record() const { return cursor_record_; }
    // One reading per plotted unit at the cursor's record; empty without a cursor.
    std::vector<CursorReading> readings() const;

    // The plot itself, for the window's layout and for tests.
    QCustomPlot* plot() const { return plot_; }
    // The colour of the plotted unit at `index` in units().
    static QColor unit_colour(std::size_t index);

signals:
    void cursor_moved();
    void view_changed();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build_series();
    void redraw();
    void draw_points();
    void fit_value_axes(const std::vector<std::pair<double, double>>& extremes);
    void show_readout();
    bool handle_mouse(QEvent* event);
    bool handle_key(QEvent* event);
    double key_at_pixel(double x) const;
    // The keys of the whole log, padded a little; empty when no record is ready.
    std::optional<std::pair<double, double>> full_range() const;
    double least_span() const;

    QCustomPlot* plot_ = nullptr;
    QSharedPointer<TimeTicker> ticker_;
    QCPItemStraightLine* cursor_line_ = nullptr;
    QLabel* readout_ = nullptr;
    QRubberBand* band_ = nullptr;

    std::shared_ptr<const data::LogEnvelopes> log_;
    std::size_t ready_ = 0;         // records drawn from
    bool keys_are_times_ = true;
    bool whole_log_shown_ = true;   // the view follows a growing log
    bool values_fixed_ = false;     // the value axes keep a zoomed rectangle
    std::vector<PlotUnit> units_;
    std::vector<QCPGraph*> lines_;
    std::vector<QCPGraph*> error_marks_;
    std::vector<QCPAxis*> unit_axes_;     // per plotted unit
    std::vector<QCPAxis*> added_axes_;    // value axes beyond the left and right ones
    std::optional<std::size_t> cursor_record_;

    enum class Drag { none, pan, band };
    Drag drag_ = Drag::none;
    QPoint drag_start_;
    double drag_first_key_ = 0, drag_last_key_ = 0;

    std::unique_ptr<exporting::TextForms> forms_;
};

}  // namespace corvex::viewer
