#include "export/xlsx/xlsx_error.h"

#include <system_error>

namespace corvex::xlsx {

Error io_error(int os_error, const std::string& what) {
    return Error{ErrorKind::io, os_error, "Cannot " + what + ": " + std::generic_category().message(os_error)};
}

}  // namespace corvex::xlsx
