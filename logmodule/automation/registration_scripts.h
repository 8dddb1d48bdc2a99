// The registration texts of the library's classes, kept as data in the
// library (registrar language: see registrar.h), one per class, found by the
// resource number the class table gives each class.
#pragma once

#include <optional>
#include <string_view>

namespace corvex::automation {

// nullopt when no text has that number.
std::optional<std::string_view> registration_script(int resource);

}  // namespace corvex::automation
