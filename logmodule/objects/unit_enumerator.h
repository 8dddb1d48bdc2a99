// The variant enumerator of a LogRecord: walks the record's own unit list
// (no copy is taken) and keeps the record alive while it exists.
//
// Statuses:
//   Next   E_POINTER for a null array, or a count other than 1 with a null
//          fetched-count; S_FALSE when fewer units were left than wanted.
//   Skip   S_FALSE only when the end is reached before every step is taken;
//          landing exactly on the end is S_OK.
//   Reset  back to the first unit, S_OK.
//   Clone  a new enumerator on the same record at the same position.
#pragma once

#include <cstddef>

#include "corvex/platform/com_ptr.h"
#include "corvex/platform/types.h"

namespace corvex::objects {

class LogRecord;

// Answers null only when memory runs out.
platform::ComPtr<IEnumVARIANT> make_unit_enumerator(platform::ComPtr<LogRecord> record, std::size_t position = 0);

}  // namespace corvex::objects
