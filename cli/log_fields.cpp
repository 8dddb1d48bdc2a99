#include "cli/log_fields.h"

#include "cli/log_access.h"
#include "corvex/platform/bstr.h"
#include "corvex/platform/variant.h"


namespace corvex::cli {

namespace {

using platform::Bstr;
using platform::ComPtr;

// Collects the first failing call of a sequence of property reads.
struct Reads {
    HRESULT status = S_OK;
    const char* failed = nullptr;

    void check(HRESULT hr, const char* what) {
        if (FAILED(hr) && SUCCEEDED(status)) {
            status = hr;
            failed = what;
        }
    }
    bool ok() const { return SUCCEEDED(status); }
    std::string error() const { return std::string("reading ") + failed + " failed: " + status_text(status); }
};

std::string text_of(HRESULT hr, const Bstr& s, Reads& reads, const char* what) {
    reads.check(hr, what);
    return s.utf8();
}

}  // namespace

Expected<HeaderFields, std::string> read_header(ILog* log, ILogInfo* info) {
    HeaderFields h;
    Reads reads;
    reads.check(info->get_StartTime(&h.start_time), "LogInfo.StartTime");
    reads.check(info->get_EndTime(&h.end_time), "LogInfo.EndTime");
    reads.check(info->get_CyclicFlags(&h.cyclic_flags), "LogInfo.CyclicFlags");
    reads.check(info->get_ErrorFlags(&h.error_flags), "LogInfo.ErrorFlags");
    reads.check(info->get_Interval(&h.interval), "LogInfo.Interval");
    reads.check(info->get_Count(&h.item_count), "LogInfo.Count");
    reads.check(log->get_Count(&h.record_count), "Log.Count");
    if (!reads.ok()) return Unexpected{reads.error()};
    // A log has at most twelve channels; never trust a count beyond that.
    if (h.item_count < 0 || h.item_count > 12)
        return Unexpected{"the log module reports " + std::to_string(h.item_count) + " units"};
    if (h.record_count < 0) h.record_count = 0;
    return h;
}

Expected<std::vector<ItemFields>, std::string> read_items(ILogInfo* info, std::int32_t count) {
    std::vector<ItemFields> items;
    items.reserve(static_cast<std::size_t>(count));
    for (std::int32_t i = 0; i < count; ++i) {
        ComPtr<ILogItem> item;
        if (const HRESULT hr = info->get_Item(i, item.put()); FAILED(hr) || !item)
            return Unexpected{"reading LogInfo.Item(" + std::to_string(i) + ") failed: " + status_text(hr)};
        ItemFields f;
        Reads reads;
        reads.check(item->get_UnitType(&f.unit_type), "LogItem.UnitType");
        reads.check(item->get_Input(&f.input), "LogItem.Input");
        reads.check(item->get_Channel(&f.channel), "LogItem.Channel");
        reads.check(item->get_Comport(&f.comport), "LogItem.Comport");
        reads.check(item->get_NodeID(&f.node_id), "LogItem.NodeID");
        reads.check(item->get_Width(&f.width), "LogItem.Width");
        reads.check(item->get_Decimal(&f.decimal), "LogItem.Decimal");
        Bstr computer, label, symbol;
        f.computer = text_of(item->get_Computer(computer.put()), computer, reads, "LogItem.Computer");
        f.label = text_of(item->get_Label(label.put()), label, reads, "LogItem.Label");
        f.symbol = text_of(item->get_Symbol(symbol.put()), symbol, reads, "LogItem.Symbol");
        if (!reads.ok()) return Unexpected{reads.error()};
        items.push_back(std::move(f));
    }
    return items;
}

bool read_record(ILog* log, std::int32_t index, RecordFields& r) {
    ComPtr<ILogRecord> record;
    if (FAILED(log->get_Item(index, record.put())) || !record) return false;
    std::int32_t count = 0;
    if (FAILED(record->get_Count(&count)) || count < 0 || count > 12) return false;

    r.time.reset();
    r.values.clear();
    r.errors.clear();
    for (std::int32_t u = 0; u < count; ++u) {
        ComPtr<ILogUnit> unit;
        if (FAILED(record->get_Item(u, unit.put())) || !unit) return false;
        if (u == 0) {
            double time = 0;
            if (FAILED(unit->get_Time(&time))) return false;
            r.time = time;
        }
        platform::Variant value;
        std::int16_t error = 0;
        if (FAILED(unit->get_Value(value.put())) || FAILED(unit->get_Error(&error))) return false;
        // Value is a double in every log; anything else is shown as missing.
        r.values.push_back(value.type() == VT_R8 ? std::optional<double>(value.get()->dblVal) : std::nullopt);
        r.errors.push_back(error);
    }
    return true;
}

std::vector<std::string_view> flag_names(std::int16_t cyclic_flags, std::int16_t error_flags) {
    std::vector<std::string_view> names;
    if (error_flags & log_flags::kBasicErrors) names.push_back("Basic Errors");
    if (error_flags & log_flags::kDetailedErrors) names.push_back("Detailed Errors");
    if (error_flags & log_flags::kErrorLogHold) names.push_back("Error Log (HOLD)");
    if (cyclic_flags & log_flags::kCyclicLog) names.push_back("Cyclic Log");
    return names;
}

std::string column_name(const ItemFields& item) {
    if (item.symbol.empty()) return item.label;
    return item.label + " (" + item.symbol + ")";
}

}  // namespace corvex::cli
