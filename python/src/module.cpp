// The compiled part of the Python package corvex (corvex._corvex): the Log
// class, conversion, the unit-type catalogue and the time conversion. The
// package's __init__.py adds what is better said in Python (pandas frames).
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include "corvex/platform/text.h"
#include "python/src/convert_file.h"
#include "python/src/log_binding.h"
#include "python/src/python_support.h"
#include "python/src/unit_types.h"

namespace corvex::python {

namespace {

std::int32_t convert(const py::object& source, const py::object& destination, const std::string& computer,
                     std::int16_t comport, std::int16_t node_id) {
    ConvertRequest rq{path_bytes(source), path_bytes(destination), computer, comport, node_id};
    Expected<ConvertOutcome, ConvertError> outcome = Unexpected{ConvertError{}};
    {
        py::gil_scoped_release unlocked;
        outcome = convert_log_file(rq);
    }
    if (!outcome) raise_log_error(outcome.error().message, outcome.error().destination ? destination : source);
    if (!outcome->unreadable_record) return outcome->record_count;
    const std::int32_t r = *outcome->unreadable_record;
    warn_unreadable_record(text::path_display_text(rq.source) + ": could not read record " + std::to_string(r) +
                           " (counting from 0) of " + std::to_string(outcome->record_count) + "; " +
                           text::path_display_text(rq.destination) + " holds the " + std::to_string(r) +
                           " records before it");
    return r;
}

py::list unit_type_rows() {
    Expected<std::vector<UnitTypeText>, std::string> rows = Unexpected{std::string()};
    {
        py::gil_scoped_release unlocked;
        rows = read_unit_types();
    }
    if (!rows) raise_log_error(rows.error(), py::none());
    py::list out;
    for (const UnitTypeText& r : *rows)
        out.append(py::make_tuple(r.id, r.mode_name, r.short_name, r.name, r.mnemonic, r.width, r.decimals));
    return out;
}

}  // namespace

}  // namespace corvex::python

PYBIND11_MODULE(_corvex, m) {
    using namespace pybind11::literals;
    namespace py = pybind11;
    m.doc() = "The compiled part of corvex: logs read through the log module (libCorvex.so).";
    corvex::python::bind_log(m);
    m.def("convert", &corvex::python::convert, "source"_a, "destination"_a, py::kw_only(), "computer"_a = "",
          "comport"_a = 0, "node_id"_a = 0,
          R"doc(Converts a readable log into the converted log layout (ConvertLog).

The source is opened as a log first: a file the module does not accept raises
corvex.LogError with its reason and nothing is written. The destination is
replaced only once the conversion has succeeded. computer, comport, node_id
are stamped into every item. Returns the records written; a record the module
cannot read ends the converted log there, with a corvex.UnreadableRecordWarning.)doc");
    m.def("_unit_type_rows", &corvex::python::unit_type_rows,
          "The unit-type catalogue as UnitTypeInfo answers it: (id, mode_name, short_name, name, mnemonic, width, "
          "decimals) per row.");
}
