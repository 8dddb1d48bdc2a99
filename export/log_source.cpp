#include "export/log_source.h"

#include "corvex/platform/bstr.h"
#include "corvex/platform/variant.h"
#include "export/export_error.h"

namespace corvex::exporting {

namespace {

using platform::Bstr;
using platform::ComPtr;

ExportError log_module_error(const char* what) {
    return {error_number::kLogModule, std::string("The log module could not answer ") + what};
}

std::optional<double> as_double(const VARIANT& value) {
    if (value.vt == VT_R8) return value.dblVal;
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return std::nullopt;
    platform::Variant converted;
    if (VariantChangeType(converted.get(), &value, 0, VT_R8) != S_OK) return std::nullopt;
    return converted.get()->dblVal;
}

}  // namespace

Expected<LogSource, ExportError> LogSource::open(ILog* log) {
    if (!log) return Unexpected(log_module_error("for a log: there is none"));
    LogSource source;
    source.log_ = ComPtr<ILog>(log);
    if (log->GetLogInfo(source.info_.put()) != S_OK || !source.info_) {
        return Unexpected(log_module_error("the log information: no log is open"));
    }
    LogHeader& h = source.header_;
    ILogInfo* info = source.info_.get();
    if (info->get_StartTime(&h.start_time) != S_OK || info->get_EndTime(&h.end_time) != S_OK ||
        info->get_Interval(&h.interval) != S_OK || info->get_CyclicFlags(&h.cyclic_flags) != S_OK ||
        info->get_ErrorFlags(&h.error_flags) != S_OK || info->get_Count(&h.item_count) != S_OK ||
        log->get_Count(&h.record_count) != S_OK) {
        return Unexpected(log_module_error("the log header"));
    }
    if (h.item_count < 0) h.item_count = 0;
    if (h.record_count < 0) h.record_count = 0;
    return source;
}

Expected<ItemProperties, ExportError> LogSource::item(std::int32_t index) const {
    ComPtr<ILogItem> item;
    if (info_->get_Item(index, item.put()) != S_OK || !item) {
        return Unexpected(log_module_error(("item " + std::to_string(index)).c_str()));
    }
    ItemProperties p;
    Bstr label, symbol, computer;
    if (item->get_Label(label.put()) != S_OK || item->get_Symbol(symbol.put()) != S_OK ||
        item->get_Computer(computer.put()) != S_OK || item->get_UnitType(&p.unit_type) != S_OK ||
        item->get_Channel(&p.channel) != S_OK || item->get_Comport(&p.comport) != S_OK ||
        item->get_Decimal(&p.decimal) != S_OK || item->get_Width(&p.width) != S_OK ||
        item->get_Input(&p.input) != S_OK || item->get_NodeID(&p.node_id) != S_OK) {
        return Unexpected(log_module_error(("item " + std::to_string(index)).c_str()));
    }
    p.label = label.utf8();
    p.symbol = symbol.utf8();
    p.computer = computer.utf8();
    return p;
}

bool LogSource::read_record(std::int32_t index, const std::vector<bool>& want_value, RecordReading& out) const {
    ComPtr<ILogRecord> record;
    if (log_->get_Item(index, record.put()) != S_OK || !record) return false;
    std::int32_t count = 0;
    if (record->get_Count(&count) != S_OK || count < 0) return false;

    out.time.reset();
    out.units.resize(static_cast<std::size_t>(count));
    for (std::int32_t u = 0; u < count; ++u) {
        ComPtr<ILogUnit> unit;
        if (record->get_Item(u, unit.put()) != S_OK || !unit) return false;
        UnitReading& reading = out.units[static_cast<std::size_t>(u)];
        if (unit->get_Error(&reading.error) != S_OK) return false;
        reading.value.reset();
        if (static_cast<std::size_t>(u) < want_value.size() && want_value[static_cast<std::size_t>(u)]) {
            platform::Variant value;
            if (unit->get_Value(value.put()) != S_OK) return false;
            reading.value = as_double(*value.get());
        }
        if (u == 0) {
            double time = 0;
            if (unit->get_Time(&time) != S_OK) return false;
            out.time = time;
        }
    }
    return true;
}

ErrorColumns error_columns(const LogHeader& header, const ExportOptions& options) {
    if (!options.include_errors) return {};
    return {(header.error_flags & kDetailedErrorsFlag) != 0, (header.error_flags & kBasicErrorsFlag) != 0};
}

std::int32_t progress_step(std::int32_t record_count) {
    if (record_count < 500) return 1;
    if (record_count < 1000) return 10;
    return 100;
}

}  // namespace corvex::exporting
