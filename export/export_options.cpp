#include "export/export_options.h"

#include "corvex/log_flags.h"
#include "export/record_source.h"

namespace corvex::exporting {

bool ExportOptions::takes(const RecordBlock& block, std::int32_t i) const {
    return !range || (block.has_time() && range->contains(block.time(i)));
}

ErrorColumns error_columns(std::int16_t error_flags, const ExportOptions& options) {
    if (!options.include_errors) return {};
    return {(error_flags & log_flags::kDetailedErrors) != 0, (error_flags & log_flags::kBasicErrors) != 0};
}

std::int32_t progress_step(std::int32_t record_count) {
    if (record_count < 500) return 1;
    if (record_count < 1000) return 10;
    return 100;
}

}  // namespace corvex::exporting
