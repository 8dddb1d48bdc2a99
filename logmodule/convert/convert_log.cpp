#include "logmodule/convert/convert_log.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>

#include "corvex/platform/bstr.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/output_file.h"
#include "corvex/platform/text.h"
#include "corvex/platform/variant.h"
#include "logmodule/convert/converted_log_layout.h"
#include "logmodule/convert/message_sink.h"
#include "logmodule/objects/log.h"

namespace corvex::convert {
namespace {

using platform::Bstr;
using platform::ComPtr;

constexpr std::string_view kCaption = "Convert Log";
constexpr std::string_view kCannotOpenInput = "Could not open input file";
constexpr std::string_view kCannotOpenOutput = "Could not open output file";
constexpr std::string_view kCannotWriteOutput = "Could not write output file";

// Bytes are handed to the file in pieces of about this size.
constexpr std::size_t kFlushSize = 64 * 1024;

// A path as the file system takes it, byte for byte. No value for a path with
// a NUL inside (the system would silently open the file named by the part
// before it) or one with no exact byte form.
std::optional<std::string> file_system_path(BSTR path) {
    const std::u16string_view text = platform::bstr_view(path);
    if (text.find(u'\0') != std::u16string_view::npos) return std::nullopt;
    return text::utf16_to_path(text);
}

// The source must open as a file for reading; a folder opens on this system
// but is no input file. The handle only proves that; the Log reads the file.
// Non-blocking, so that a pipe nobody writes into cannot hang the probe.
bool source_opens(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    const bool ok = ::fstat(fd, &st) == 0 && !S_ISDIR(st.st_mode);
    ::close(fd);
    return ok;
}

struct Stamp {
    std::u16string_view computer;
    std::int16_t comport;
    std::int16_t node_id;
};

enum class Outcome { Written, SourceUnreadable, WriteFailed };

// The header and item table, built in full before anything is written so that
// a source whose description cannot be read leaves an empty destination.
bool build_description(ILogInfo& info, const Stamp& stamp, std::string& bytes, int& item_count) {
    ConvertedHeader header;
    if (FAILED(info.get_CyclicFlags(&header.cyclic_flags)) || FAILED(info.get_ErrorFlags(&header.error_flags)) ||
        FAILED(info.get_StartTime(&header.start_time)) || FAILED(info.get_EndTime(&header.end_time)) ||
        FAILED(info.get_Interval(&header.interval)))
        return false;
    std::int32_t count = 0;
    if (FAILED(info.get_Count(&count))) return false;
    // The table has twelve slots; a Log never reports more channels than that.
    item_count = std::clamp<std::int32_t>(count, 0, static_cast<std::int32_t>(kItemSlots));

    LittleEndianWriter out(bytes);
    write_header(out, header);
    for (int k = 0; k < item_count; ++k) {
        ComPtr<ILogItem> item;
        if (FAILED(info.get_Item(k, item.put())) || !item) return false;
        Bstr label, symbol;
        ConvertedItem converted;
        if (FAILED(item->get_Label(label.put())) || FAILED(item->get_Symbol(symbol.put())) ||
            FAILED(item->get_Channel(&converted.channel)) || FAILED(item->get_UnitType(&converted.unit_type)))
            return false;
        converted.computer = stamp.computer;
        converted.label = label.view();
        converted.symbol = symbol.view();
        converted.comport = stamp.comport;
        converted.node_id = stamp.node_id;
        write_item(out, converted);
    }
    for (std::size_t k = static_cast<std::size_t>(item_count); k < kItemSlots; ++k) write_end_marker(out);
    return true;
}

// One record's entries; false when the record cannot be read in full.
bool append_record(ILogRecord& record, int item_count, std::string& bytes) {
    std::int32_t units = 0;
    // Every record must hold one entry per item, or the records that follow
    // would be read at the wrong offsets.
    if (FAILED(record.get_Count(&units)) || units != item_count) return false;
    LittleEndianWriter out(bytes);
    for (int k = 0; k < item_count; ++k) {
        ComPtr<ILogUnit> unit;
        if (FAILED(record.get_Item(k, unit.put())) || !unit) return false;
        ConvertedEntry entry;
        platform::Variant value;
        if (FAILED(unit->get_Time(&entry.time)) || FAILED(unit->get_Value(value.put())) ||
            FAILED(unit->get_Error(&entry.error)))
            return false;
        if (value.type() != VT_R8) {
            platform::Variant as_double;
            if (FAILED(VariantChangeType(as_double.put(), value.get(), 0, VT_R8))) return false;
            value = std::move(as_double);
        }
        entry.value = value.get()->dblVal;
        write_entry(out, entry);
    }
    return true;
}

Outcome write_converted(ILog& log, const Stamp& stamp, platform::OutputFile& file) {
    ComPtr<ILogInfo> info;
    if (FAILED(log.GetLogInfo(info.put())) || !info) return Outcome::SourceUnreadable;
    std::string bytes;
    int item_count = 0;
    if (!build_description(*info, stamp, bytes, item_count)) return Outcome::SourceUnreadable;

    // Records from the first until the Log gives none; a record that cannot be
    // read in full ends the log there, like the end of the file.
    for (;;) {
        ComPtr<ILogRecord> record;
        if (FAILED(log.GetNextRecord(record.put())) || !record) break;
        const std::size_t record_start = bytes.size();
        if (!append_record(*record, item_count, bytes)) {
            bytes.resize(record_start);
            break;
        }
        if (bytes.size() >= kFlushSize) {
            if (!file.write(bytes)) return Outcome::WriteFailed;
            bytes.clear();
        }
    }
    if (!file.write(bytes)) return Outcome::WriteFailed;
    return Outcome::Written;
}

}  // namespace

HRESULT ConvertLog::RZ417ToPC(BSTR srcPath, BSTR dstPath, std::int32_t* pVal) {
    if (!pVal) return E_POINTER;
    try {
        *pVal = convert(srcPath, dstPath);
    } catch (...) {
        // Out of memory part way: whatever was begun has been discarded.
        report_message(kCannotWriteOutput, kCaption);
        *pVal = -1;
    }
    return S_OK;
}

std::int32_t ConvertLog::convert(BSTR src_path, BSTR dst_path) {
    const std::optional<std::string> src = file_system_path(src_path);
    if (!src || !source_opens(*src)) {
        report_message(kCannotOpenInput, kCaption);
        return -1;
    }
    const std::optional<std::string> dst = file_system_path(dst_path);
    // Writing over the source would destroy the log before it was read.
    if (!dst || platform::names_same_file(*src, *dst)) {
        report_message(kCannotOpenOutput, kCaption);
        return -1;
    }
    auto file = platform::OutputFile::open(*dst);
    if (!file) {
        report_message(kCannotOpenOutput, kCaption);
        return -1;
    }

    ComPtr<ILog> log = objects::Log::make();
    if (!log) {
        // No Log, no way to read the source; nothing is written.
        report_message(kCannotOpenInput, kCaption);
        return -1;
    }
    std::int32_t opened = -1;
    Outcome outcome = Outcome::SourceUnreadable;
    // Log.Open takes the path as the caller gave it.
    if (SUCCEEDED(log->Open(src_path, &opened)) && opened == 0)
        outcome = write_converted(*log, Stamp{computer_name_, comport_, node_id_}, *file);
    log.reset();  // closes the source before the output is put in place

    // A source that is no readable log still gives an (empty) destination.
    if (outcome == Outcome::WriteFailed || !file->commit()) {
        file->discard();
        report_message(kCannotWriteOutput, kCaption);
        return -1;
    }
    return 0;
}

HRESULT ConvertLog::put_Comport(std::int16_t newVal) {
    comport_ = newVal;
    return S_OK;
}

HRESULT ConvertLog::put_NodeID(std::int16_t newVal) {
    node_id_ = newVal;
    return S_OK;
}

HRESULT ConvertLog::put_ComputerName(BSTR newVal) {
    try {
        computer_name_.assign(platform::bstr_view(newVal));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace corvex::convert
