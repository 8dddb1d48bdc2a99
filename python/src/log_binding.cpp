// corvex.Log: one open log, its header as properties and its records as NumPy
// arrays. Every call into the log module runs with the interpreter lock
// released and under the log's own mutex (LogFile); the lock is never held
// while waiting for the mutex, so a log read in one thread never stalls the
// others, and a log used from two threads takes their calls in turn.
#include "python/src/log_binding.h"

#include <pybind11/numpy.h>
#include <pybind11/stl.h>

#include <chrono>
#include <filesystem>
#include <numeric>
#include <optional>
#include <string>
#include <vector>

#include "corvex/log_flags.h"
#include "corvex/platform/output_file.h"
#include "corvex/platform/text.h"
#include "export/export_formats.h"
#include "export/log_time.h"
#include "python/src/log_datetime.h"
#include "python/src/log_file.h"
#include "python/src/python_support.h"

namespace corvex::python {

namespace {

using Units = std::optional<std::vector<Py_ssize_t>>;
using Position = std::optional<Py_ssize_t>;

// How often a long read looks for Ctrl-C (it takes the interpreter lock to do so).
constexpr auto kSignalCheckInterval = std::chrono::milliseconds(200);

[[noreturn]] void raise_closed() { throw py::value_error("I/O operation on a closed log"); }

// A log time as a naive datetime of the moment its general date text shows;
// None where that text shows a number.
py::object moment(double log_time) {
    const auto m = exporting::round_log_time(log_time);
    if (!m) return py::none();
    return py::module_::import("datetime")
        .attr("datetime")(m->year, m->month, m->mday, m->second / 3600, m->second / 60 % 60, m->second % 60);
}

class Log {
public:
    explicit Log(const py::object& path) {
        path_ = py::reinterpret_steal<py::object>(PyOS_FSPath(path.ptr()));
        if (!path_) throw py::error_already_set();
        bytes_ = path_bytes(path_);
        shown_ = text::path_display_text(bytes_);
        Expected<std::unique_ptr<LogFile>, std::string> opened = Unexpected{std::string()};
        {
            py::gil_scoped_release unlocked;
            opened = LogFile::open(bytes_);
        }
        if (!opened) raise_log_error(opened.error(), path_);
        file_ = std::move(*opened);
    }

    const exporting::HeaderFields& header() const { return file_->header(); }
    const std::vector<exporting::ItemFields>& item_fields() const { return file_->items(); }
    std::int32_t unit_count() const { return header().item_count; }

    py::object path() const { return path_; }
    bool closed() const { return file_->closed(); }

    void close() {
        py::gil_scoped_release unlocked;
        file_->close();
    }

    py::object format_text(bool key) const {
        const auto& f = file_->format();
        if (!f) return py::none();
        return py::str(key ? f->key : f->name);
    }

    py::object header_offset() const {
        const auto& f = file_->format();
        if (!f || !f->header_offset) return py::none();
        return py::int_(*f->header_offset);
    }

    py::dict flags() const {
        py::dict d;
        d["basic_errors"] = (header().error_flags & log_flags::kBasicErrors) != 0;
        d["detailed_errors"] = (header().error_flags & log_flags::kDetailedErrors) != 0;
        d["error_log_hold"] = (header().error_flags & log_flags::kErrorLogHold) != 0;
        d["cyclic_log"] = (header().cyclic_flags & log_flags::kCyclicLog) != 0;
        return d;
    }

    py::list items() const {
        const py::object item_type = py::module_::import("corvex._types").attr("Item");
        py::list out;
        for (const exporting::ItemFields& f : item_fields()) {
            using namespace pybind11::literals;
            out.append(item_type("label"_a = f.label, "symbol"_a = f.symbol, "unit_type"_a = f.unit_type,
                                 "channel"_a = f.channel, "input"_a = f.input, "computer"_a = f.computer,
                                 "comport"_a = f.comport, "node_id"_a = f.node_id, "width"_a = f.width,
                                 "decimal"_a = f.decimal));
        }
        return out;
    }

    std::vector<std::string> columns() const {
        std::vector<std::string> names;
        for (const exporting::ItemFields& f : item_fields())
            names.push_back(exporting::column_name(f, exporting::EmptySymbol::LabelAlone));
        return names;
    }

    std::string repr() const {
        std::string text = "<corvex.Log " + std::string(py::str(py::repr(path_)));
        if (const auto& f = file_->format()) text += ": " + f->name;
        text += ", " + std::to_string(header().record_count) + " records, " + std::to_string(unit_count()) + " units";
        if (closed()) text += ", closed";
        return text + ">";
    }

    // The records first .. first + count - 1 of the chosen units, in one
    // pass: (times, values, errors), each None unless asked for.
    py::tuple read(const Units& units, Position start, Position stop, bool want_times, bool want_values,
                   bool want_errors) {
        if (closed()) raise_closed();
        const std::vector<std::int32_t> chosen = chosen_units(units);
        const auto [first, count] = record_range(start, stop, header().record_count);
        const auto n = static_cast<py::ssize_t>(count);
        const auto k = static_cast<py::ssize_t>(chosen.size());
        std::optional<py::array_t<double>> times;
        std::optional<py::array_t<double>> values;
        std::optional<py::array_t<std::int16_t>> errors;
        ReadRequest rq;
        rq.first = first;
        rq.count = count;
        rq.units = chosen;
        if (want_times) rq.times = times.emplace(n).mutable_data();
        if (want_values) rq.values = values.emplace(std::vector<py::ssize_t>{n, k}).mutable_data();
        if (want_errors) rq.errors = errors.emplace(std::vector<py::ssize_t>{n, k}).mutable_data();
        auto last_check = std::chrono::steady_clock::now();
        rq.between_blocks = [&last_check] {
            const auto now = std::chrono::steady_clock::now();
            if (now - last_check < kSignalCheckInterval) return true;
            last_check = now;
            py::gil_scoped_acquire locked;
            return PyErr_CheckSignals() == 0;
        };

        ReadOutcome out;
        {
            py::gil_scoped_release unlocked;
            out = file_->read(rq);
        }
        if (out.closed) raise_closed();
        if (out.interrupted) throw py::error_already_set();
        if (out.delivered < count) {
            const auto delivered = static_cast<py::ssize_t>(out.delivered);
            if (times) times->resize({delivered}, false);
            if (values) values->resize({delivered, k}, false);
            if (errors) errors->resize({delivered, k}, false);
        }
        if (out.unreadable_record)
            warn_unreadable_record(shown_ + ": could not read record " + std::to_string(*out.unreadable_record) +
                                   " (counting from 0) of " + std::to_string(header().record_count) +
                                   "; the arrays end there");
        const auto or_none = [](auto& a) -> py::object { return a ? py::object(*a) : py::none(); };
        return py::make_tuple(or_none(times), or_none(values), or_none(errors));
    }

    std::int32_t export_to(const py::object& path, const Units& units, bool errors, bool log_info,
                           const std::optional<std::string>& delimiter, const std::optional<std::string>& format_id) {
        const py::object out_path = py::reinterpret_steal<py::object>(PyOS_FSPath(path.ptr()));
        if (!out_path) throw py::error_already_set();
        const std::string out = path_bytes(out_path);
        const std::string out_shown = text::path_display_text(out);
        const exporting::ExportFormat* format =
            format_id ? exporting::find_export_format(*format_id) : &exporting::export_format_for(out);
        if (!format) throw py::value_error("unknown export format '" + *format_id + "'");
        if (delimiter && !format->takes_delimiter)
            throw py::value_error("a delimiter applies to delimited text only, not to " + std::string(format->id));
        if (closed()) raise_closed();
        if (unit_count() == 0) raise_log_error(shown_ + ": the log has no units to export", path_);

        exporting::ExportOptions options;
        options.include_log_info = log_info;
        options.include_errors = errors;
        if (delimiter) options.delimiter = *delimiter;
        options.file_title = text::path_display_text(std::filesystem::path(bytes_).filename().string());
        options.file_name = shown_;
        options.selected.assign(static_cast<std::size_t>(unit_count()), false);
        for (std::int32_t u : chosen_units(units)) options.selected[static_cast<std::size_t>(u)] = true;
        if (units && units->empty()) throw py::value_error("no units chosen to export");

        std::optional<Expected<exporting::ExportOutcome, exporting::ExportError>> outcome;
        bool same_file = false;
        {
            py::gil_scoped_release unlocked;
            // The engines replace the destination whole: never the log being read.
            same_file = platform::names_same_file(bytes_, out);
            if (!same_file) outcome = file_->export_to(*format, options, out);
        }
        if (same_file) raise_log_error(out_shown + ": is the log itself; choose another output file", out_path);
        if (!outcome) raise_closed();
        if (!*outcome) {
            const exporting::ExportError& e = outcome->error();
            const bool names_file = e.description.find(out_shown) != std::string::npos;
            raise_log_error((names_file ? "" : out_shown + ": ") + e.description + " (error " +
                                std::to_string(e.number) + ")",
                            out_path);
        }
        const exporting::ExportOutcome& done = **outcome;
        if (done.unreadable_record)
            warn_unreadable_record(shown_ + ": could not read record " + std::to_string(*done.unreadable_record) +
                                   " (counting from 0) of " + std::to_string(done.record_count) + "; " + out_shown +
                                   " holds the " + std::to_string(done.records_written) + " records before it");
        return done.records_written;
    }

private:
    // Item indexes (negative ones count from the end); all items for None.
    std::vector<std::int32_t> chosen_units(const Units& units) const {
        const std::int32_t n = unit_count();
        std::vector<std::int32_t> chosen;
        if (!units) {
            chosen.resize(static_cast<std::size_t>(n));
            std::iota(chosen.begin(), chosen.end(), 0);
            return chosen;
        }
        for (Py_ssize_t u : *units) {
            const Py_ssize_t k = u < 0 ? u + n : u;
            if (k < 0 || k >= n)
                throw py::index_error("unit index " + std::to_string(u) + " is out of range: the log has " +
                                      std::to_string(n) + (n == 1 ? " unit" : " units"));
            chosen.push_back(static_cast<std::int32_t>(k));
        }
        return chosen;
    }

    py::object path_;    // os.fspath of the path given: str or bytes
    std::string bytes_;  // the file name's bytes
    std::string shown_;  // for messages: UTF-8, each invalid byte as U+FFFD
    std::unique_ptr<LogFile> file_;
};

py::array datetimes_of(const py::array_t<double, py::array::c_style | py::array::forcecast>& times) {
    py::array out(py::dtype("datetime64[us]"), std::vector<py::ssize_t>(times.shape(), times.shape() + times.ndim()));
    auto* into = static_cast<std::int64_t*>(out.mutable_data());
    const double* from = times.data();
    const auto n = static_cast<std::size_t>(times.size());
    py::gil_scoped_release unlocked;
    log_times_to_microseconds(from, n, into);
    return out;
}

}  // namespace

void bind_log(py::module_& m) {
    using namespace pybind11::literals;
    py::class_<Log>(m, "Log", R"doc(An open log file.

Log(path) opens the file through the log module (str, bytes or os.PathLike;
the name's bytes are opened as they are). A file the module does not accept
raises corvex.LogError with the module's reason. Close it with close() or use
it as a context manager.

The header properties stay after close(); reading records then raises
ValueError. A Log may be passed between threads; its calls run one at a time,
and reads release the interpreter lock, so several logs read in parallel.)doc")
        .def(py::init<const py::object&>(), "path"_a)
        .def_property_readonly("path", &Log::path, "The path as given (str or bytes).")
        .def_property_readonly(
            "format", [](const Log& l) { return l.format_text(false); },
            "The format: \"PC log\", \"meter log\" or \"compact meter log\".")
        .def_property_readonly(
            "format_key", [](const Log& l) { return l.format_text(true); },
            "The format for programs: \"pc\", \"meter\" or \"compact_meter\".")
        .def_property_readonly("header_offset", &Log::header_offset,
                               "Where a meter log's header starts (0, 68 or 40); None for other formats.")
        .def_property_readonly(
            "start", [](const Log& l) { return moment(l.header().start_time); },
            "The start time as a naive datetime (wall clock, as logged, to the second); None when the log time "
            "names no calendar moment.")
        .def_property_readonly(
            "end", [](const Log& l) { return moment(l.header().end_time); }, "The end time, as `start`.")
        .def_property_readonly(
            "start_time", [](const Log& l) { return l.header().start_time; },
            "The start time as a log time (days since 1899-12-30).")
        .def_property_readonly(
            "end_time", [](const Log& l) { return l.header().end_time; }, "The end time as a log time.")
        .def_property_readonly(
            "interval", [](const Log& l) { return l.header().interval; }, "The logging interval.")
        .def_property_readonly(
            "cyclic_flags", [](const Log& l) { return l.header().cyclic_flags; }, "The cyclic-flags word.")
        .def_property_readonly(
            "error_flags", [](const Log& l) { return l.header().error_flags; }, "The error-flags word.")
        .def_property_readonly("flags", &Log::flags,
                               "The flags as booleans: basic_errors, detailed_errors, error_log_hold, cyclic_log.")
        .def_property_readonly("items", &Log::items, "The channels, one corvex.Item per unit, in unit order.")
        .def_property_readonly("columns", &Log::columns,
                               "The units' column names as the exports write them: \"Label (Symbol)\", or the "
                               "label alone without a symbol.")
        .def("__len__", [](const Log& l) { return l.header().record_count; }, "The record count (Log.Count).")
        .def_property_readonly("closed", &Log::closed, "Whether close() has been called.")
        .def("close", &Log::close, "Closes the log file. Reads raise ValueError afterwards; closing twice is fine.")
        .def("__enter__", [](py::object self) { return self; })
        .def(
            "__exit__", [](Log& l, const py::args&) { l.close(); }, "Closes the log.")
        .def("__repr__", &Log::repr)
        .def(
            "read",
            [](Log& l, const Units& units, Position start, Position stop) {
                return l.read(units, start, stop, true, true, true);
            },
            "units"_a = py::none(), "start"_a = py::none(), "stop"_a = py::none(),
            R"doc(Reads times, values and errors in one pass: a tuple (times, values, errors).

times: float64 log times, one per record (NaN for a log without units);
values: float64, records x units; errors: int16 error words, records x units.
units: item indexes (default all); start, stop: records as a slice start:stop
picks them. A record the module cannot read ends the arrays there, with a
corvex.UnreadableRecordWarning naming it.)doc")
        .def(
            "times",
            [](Log& l, Position start, Position stop) -> py::object {
                return l.read({}, start, stop, true, false, false)[0];
            },
            "start"_a = py::none(), "stop"_a = py::none(),
            "The records' log times (float64, days since 1899-12-30); see read().")
        .def(
            "datetimes",
            [](Log& l, Position start, Position stop) {
                const py::object times = l.read({}, start, stop, true, false, false)[0];
                return datetimes_of(times.cast<py::array_t<double>>());
            },
            "start"_a = py::none(), "stop"_a = py::none(),
            "The records' times as datetime64[us], see corvex.to_datetime64(); see read().")
        .def(
            "values",
            [](Log& l, const Units& units, Position start, Position stop) -> py::object {
                return l.read(units, start, stop, false, true, false)[1];
            },
            "units"_a = py::none(), "start"_a = py::none(), "stop"_a = py::none(),
            "The values (float64, records x units); see read().")
        .def(
            "errors",
            [](Log& l, const Units& units, Position start, Position stop) -> py::object {
                return l.read(units, start, stop, false, false, true)[2];
            },
            "units"_a = py::none(), "start"_a = py::none(), "stop"_a = py::none(),
            "The error words (int16, records x units); see read().")
        .def("export", &Log::export_to, "path"_a, "units"_a = py::none(), py::kw_only(), "errors"_a = true,
             "log_info"_a = true, "delimiter"_a = py::none(), "format"_a = py::none(),
             R"doc(Exports the log with the engines of the corvex tool and the viewer.

format: "csv" or "xlsx"; by default from the path's extension (.xlsx, .xls:
workbook; anything else: delimited text). units: item indexes (default all).
errors, log_info: the error columns and the information block. delimiter:
csv only, taken exactly (default ","). Nothing is left under path unless the
export succeeds; failures raise corvex.LogError. Returns the records written;
a record the module cannot read ends the file there, with a
corvex.UnreadableRecordWarning.)doc");

    m.def("to_datetime64", &datetimes_of, "times"_a,
          R"doc(Log times (days since 1899-12-30) as numpy datetime64[us].

Each is the moment its general date text shows: rounded to the second, halves
up, as logged (no time zone); NaT where that text shows a number (NaN,
infinities, years outside 100 to 9999).)doc");
}

}  // namespace corvex::python
