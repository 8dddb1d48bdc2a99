// How the progress bar follows an export.
//
// The bar counts records: its maximum is the record count and its value moves
// in the export engines' progress steps (exporting::progress_step: 1, 10 or
// 100 records), the cadence at which the window is repainted during an
// export. A log without records ends with the bar full (1 of 1).
#pragma once

#include <cstdint>

namespace corvex::viewer {

struct ProgressPosition {
    int maximum = 1;
    int value = 0;
};

// The bar after `done` of `total` records: the value is `done` rounded down to
// a whole step, and the full bar once every record is done.
ProgressPosition progress_position(std::int64_t done, std::int64_t total);

}  // namespace corvex::viewer
