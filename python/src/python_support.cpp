#include "python/src/python_support.h"

namespace corvex::python {

namespace {

// The module's Python-side types (corvex/_types.py).
py::object python_type(const char* name) { return py::module_::import("corvex._types").attr(name); }

}  // namespace

std::string path_bytes(py::handle path) {
    PyObject* converted = nullptr;
    if (PyUnicode_FSConverter(path.ptr(), &converted) == 0) throw py::error_already_set();
    const auto bytes = py::reinterpret_steal<py::bytes>(converted);
    return std::string(bytes);
}

void raise_log_error(const std::string& message, py::handle path) {
    const py::object type = python_type("LogError");
    const py::object error = type(message, py::reinterpret_borrow<py::object>(path));
    PyErr_SetObject(type.ptr(), error.ptr());
    throw py::error_already_set();
}

void warn_unreadable_record(const std::string& message) {
    const py::object type = python_type("UnreadableRecordWarning");
    if (PyErr_WarnEx(type.ptr(), message.c_str(), 1) != 0) throw py::error_already_set();
}

std::pair<std::int32_t, std::int32_t> record_range(std::optional<Py_ssize_t> start, std::optional<Py_ssize_t> stop,
                                                   std::int32_t count) {
    Py_ssize_t first = start.value_or(0);
    Py_ssize_t end = stop.value_or(count);
    const Py_ssize_t length = PySlice_AdjustIndices(count, &first, &end, 1);
    return {static_cast<std::int32_t>(first), static_cast<std::int32_t>(length)};
}

}  // namespace corvex::python
