// The small logs behind the golden files, one per log format.
#pragma once

#include "tools/logwriter/log_writer.h"

namespace corvex::exporting::testing {

// PC log, detailed-errors flag, three items: "Flow (m/s)", "Temp, inlet
// (degC)" and "Pressure" without a symbol; values at the text forms' edges.
logwriter::LogDescription pc3_log();
// Meter log with the basic-errors flag, two channels (unit types 577, 65).
logwriter::LogDescription meter_basic_log();
// Meter log at header offset 68 with both error flags and bit 0x8000.
logwriter::LogDescription meter_both_flags_log();
// Compact meter log without error flags.
logwriter::LogDescription compact_log();
// Meter log at header offset 40 without records.
logwriter::LogDescription meter_no_records_log();
// A PC log of `records` records over `channels` items, errors detailed.
logwriter::LogDescription large_pc_log(int records, int channels);

}  // namespace corvex::exporting::testing
