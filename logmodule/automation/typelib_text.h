// The library's type information as IDL-like text, for documentation and
// review (`corvex typelib`): the library with its identifier, version and help
// string, each interface with its identifier and help string and its members
// in call-table order (dispatch identifier, kind, help string, argument names
// and types), and the creatable classes with their default interfaces.
#pragma once

#include <string>

namespace corvex::automation {

std::string type_library_text();

}  // namespace corvex::automation
