#include "export/record_source.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "corvex/platform/bstr.h"
#include "corvex/platform/variant.h"

namespace corvex::exporting {

namespace {

using platform::Bstr;
using platform::ComPtr;

// Collects the first failing call of a sequence of property reads.
struct Reads {
    SourceError error;
    bool failed = false;

    void check(HRESULT hr, const char* call) {
        if (FAILED(hr) && !failed) {
            failed = true;
            error.call = call;
            error.status = hr;
        }
    }
    void text(HRESULT hr, const Bstr& s, std::string& out, const char* call) {
        check(hr, call);
        out = s.utf8();
    }
};

// A unit's value as a double: VT_R8 as it is, another number converted,
// anything else none.
bool as_double(const VARIANT& value, double& out) {
    if (value.vt == VT_R8) {
        out = value.dblVal;
        return true;
    }
    if (value.vt == VT_EMPTY || value.vt == VT_NULL) return false;
    platform::Variant converted;
    if (VariantChangeType(converted.get(), &value, 0, VT_R8) != S_OK) return false;
    out = converted.get()->dblVal;
    return true;
}

}  // namespace

Expected<RecordSource, SourceError> RecordSource::open(ILog* log) {
    if (!log) return Unexpected(SourceError{SourceError::What::NoLog, {}, 0, E_POINTER});
    RecordSource source;
    source.log_ = ComPtr<ILog>(log);
    if (const HRESULT hr = log->GetLogInfo(source.info_.put()); hr != S_OK || !source.info_)
        return Unexpected(SourceError{SourceError::What::NoLogInfo, "Log.GetLogInfo", 0, FAILED(hr) ? hr : E_FAIL});

    HeaderFields& h = source.header_;
    ILogInfo* info = source.info_.get();
    Reads reads;
    reads.error.what = SourceError::What::Header;
    reads.check(info->get_StartTime(&h.start_time), "LogInfo.StartTime");
    reads.check(info->get_EndTime(&h.end_time), "LogInfo.EndTime");
    reads.check(info->get_CyclicFlags(&h.cyclic_flags), "LogInfo.CyclicFlags");
    reads.check(info->get_ErrorFlags(&h.error_flags), "LogInfo.ErrorFlags");
    reads.check(info->get_Interval(&h.interval), "LogInfo.Interval");
    reads.check(info->get_Count(&h.item_count), "LogInfo.Count");
    reads.check(log->get_Count(&h.record_count), "Log.Count");
    if (reads.failed) return Unexpected(reads.error);
    if (h.item_count < 0 || h.item_count > kMaxUnits)
        return Unexpected(SourceError{SourceError::What::UnitCount, "LogInfo.Count", h.item_count, S_OK});
    if (h.record_count < 0) h.record_count = 0;
    // A module without block reads (an older one, a stand-in) is read record by record.
    source.blocks_ = source.log_.query<ILogBlocks>();

    source.items_.reserve(static_cast<std::size_t>(h.item_count));
    for (std::int32_t i = 0; i < h.item_count; ++i) {
        ComPtr<ILogItem> item;
        if (const HRESULT hr = info->get_Item(i, item.put()); FAILED(hr) || !item)
            return Unexpected(SourceError{SourceError::What::Item, "LogInfo.Item", i, FAILED(hr) ? hr : E_FAIL});
        ItemFields f;
        Reads item_reads;
        item_reads.error.what = SourceError::What::Item;
        item_reads.error.index = i;
        item_reads.check(item->get_UnitType(&f.unit_type), "LogItem.UnitType");
        item_reads.check(item->get_Input(&f.input), "LogItem.Input");
        item_reads.check(item->get_Channel(&f.channel), "LogItem.Channel");
        item_reads.check(item->get_Comport(&f.comport), "LogItem.Comport");
        item_reads.check(item->get_NodeID(&f.node_id), "LogItem.NodeID");
        item_reads.check(item->get_Width(&f.width), "LogItem.Width");
        item_reads.check(item->get_Decimal(&f.decimal), "LogItem.Decimal");
        Bstr computer, label, symbol;
        item_reads.text(item->get_Computer(computer.put()), computer, f.computer, "LogItem.Computer");
        item_reads.text(item->get_Label(label.put()), label, f.label, "LogItem.Label");
        item_reads.text(item->get_Symbol(symbol.put()), symbol, f.symbol, "LogItem.Symbol");
        if (item_reads.failed) return Unexpected(item_reads.error);
        source.items_.push_back(std::move(f));
    }
    return source;
}

void RecordSource::read(std::int32_t first, std::int32_t wanted, RecordBlock& block) const {
    block.first = first;
    block.count = 0;
    block.units = header_.item_count;
    if (first < 0 || wanted <= 0) return;
    const auto capacity = static_cast<std::size_t>(wanted);
    const auto units = static_cast<std::size_t>(block.units);
    block.times.resize(capacity);
    block.values.resize(capacity * units);
    block.errors.resize(capacity * units);
    block.missing.clear();
    if (blocks_) {
        std::int32_t delivered = 0;
        const HRESULT hr = blocks_->ReadRecords(first, wanted, block.times.data(), block.values.data(),
                                                block.errors.data(), &delivered);
        block.count = SUCCEEDED(hr) ? std::clamp(delivered, 0, wanted) : 0;
        return;
    }
    read_objects(first, wanted, block);
}

// One record at a time through Log.Item: the way in for a module without
// block reads. A record whose unit count differs from the item count, or
// whose units cannot be read, ends the run like a record Log.Item cannot read.
void RecordSource::read_objects(std::int32_t first, std::int32_t wanted, RecordBlock& block) const {
    const std::int32_t units = block.units;
    for (std::int32_t i = 0; i < wanted; ++i) {
        ComPtr<ILogRecord> record;
        if (log_->get_Item(first + i, record.put()) != S_OK || !record) return;
        std::int32_t count = 0;
        if (record->get_Count(&count) != S_OK || count != units) return;
        for (std::int32_t k = 0; k < units; ++k) {
            ComPtr<ILogUnit> unit;
            if (record->get_Item(k, unit.put()) != S_OK || !unit) return;
            const std::size_t at = static_cast<std::size_t>(i) * static_cast<std::size_t>(units) + static_cast<std::size_t>(k);
            platform::Variant value;
            if (unit->get_Error(&block.errors[at]) != S_OK || unit->get_Value(value.put()) != S_OK) return;
            if (!as_double(*value.get(), block.values[at])) {
                if (block.missing.empty()) block.missing.assign(block.values.size(), 0);
                block.missing[at] = 1;
                block.values[at] = std::numeric_limits<double>::quiet_NaN();
            }
            if (k == 0 && unit->get_Time(&block.times[static_cast<std::size_t>(i)]) != S_OK) return;
        }
        ++block.count;
    }
}

std::string column_name(const ItemFields& item, EmptySymbol empty_symbol) {
    if (item.symbol.empty() && empty_symbol == EmptySymbol::LabelAlone) return item.label;
    return item.label + " (" + item.symbol + ")";
}

std::vector<std::string_view> flag_names(std::int16_t cyclic_flags, std::int16_t error_flags) {
    std::vector<std::string_view> names;
    if (error_flags & log_flags::kBasicErrors) names.push_back("Basic Errors");
    if (error_flags & log_flags::kDetailedErrors) names.push_back("Detailed Errors");
    if (error_flags & log_flags::kErrorLogHold) names.push_back("Error Log (HOLD)");
    if (cyclic_flags & log_flags::kCyclicLog) names.push_back("Cyclic Log");
    return names;
}

}  // namespace corvex::exporting
