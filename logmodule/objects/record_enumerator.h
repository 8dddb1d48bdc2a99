// The variant enumerator of a Log: reads records at the log's own read
// position, so enumerating, GetNextRecord, Item and Seek all move one position.
//
// Statuses:
//   Next   E_POINTER for a null array (a null fetched-count is accepted for any
//          count); S_OK when every record wanted was delivered, else S_FALSE.
//          The units of the records it delivers carry Input 0.
//   Skip   E_FAIL: records are read, not skipped.
//   Reset  back to the log's first record, S_OK (also with no log open).
//   Clone  E_FAIL: the enumerator has no position of its own to copy.
#pragma once

#include "corvex/platform/com_ptr.h"
#include "corvex/platform/types.h"

namespace corvex::objects {

class Log;

// Answers null only when memory runs out.
platform::ComPtr<IEnumVARIANT> make_record_enumerator(platform::ComPtr<Log> log);

}  // namespace corvex::objects
