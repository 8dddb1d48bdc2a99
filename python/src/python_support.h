// What every binding of the module needs from Python: file names as bytes,
// the module's exceptions and warnings, record ranges as slices give them.
#pragma once

#include <pybind11/pybind11.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace corvex::python {

namespace py = pybind11;

// The file-name bytes of a str, bytes or os.PathLike, as os.fsencode gives
// them (a str's surrogate escapes become their bytes). Raises TypeError for
// anything else and ValueError for a name with a NUL inside.
std::string path_bytes(py::handle path);

// Raises corvex.LogError(message) with its `path` attribute set.
[[noreturn]] void raise_log_error(const std::string& message, py::handle path);

// Issues corvex.UnreadableRecordWarning(message) at the caller's line; raises
// when the warning filters turn it into an error.
void warn_unreadable_record(const std::string& message);

// Records start .. stop - 1 of `count`, as a slice start:stop picks them
// (negative positions count from the end, both are clamped): first and count.
std::pair<std::int32_t, std::int32_t> record_range(std::optional<Py_ssize_t> start, std::optional<Py_ssize_t> stop,
                                                   std::int32_t count);

}  // namespace corvex::python
