// The corvex.Log class and corvex.to_datetime64.
#pragma once

#include <pybind11/pybind11.h>

namespace corvex::python {

void bind_log(pybind11::module_& m);

}  // namespace corvex::python
