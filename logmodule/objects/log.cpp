#include "logmodule/objects/log.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "corvex/platform/bstr.h"
#include "corvex/platform/text.h"
#include "logmodule/formats/open_log.h"
#include "logmodule/objects/out_of_memory_guard.h"
#include "logmodule/objects/record_enumerator.h"

namespace corvex::objects {

Log::~Log() { close(); }

void Log::close() noexcept {
    rejected_ = false;
    rejected_path_.clear();
    reader_.reset();  // closes the file
    info_.reset();
    channels_.clear();
    value_encoding_ = formats::ValueEncoding::Double;
    format_ = nullptr;
    header_offset_ = 0;
}

void Log::rewind() {
    if (reader_) reader_->Rewind();
}

HRESULT Log::Open(BSTR sFilename, std::int32_t* pRet) {
    if (!pRet) return E_POINTER;
    if (!sFilename) {
        *pRet = -1;
        return S_FALSE;
    }
    close();
    *pRet = -1;
    return guard_out_of_memory([&]() -> HRESULT {
        // The name ends at its terminator, as for any file API. A name with
        // no exact byte form names no file.
        std::u16string_view name = platform::bstr_view(sFilename);
        name = name.substr(0, name.find(u'\0'));
        const std::optional<std::string> path = text::utf16_to_path(name);
        rejected_ = true;
        if (!path) return S_OK;
        auto opened = formats::open_log_file(*path);
        if (!opened || !opened->reader) {
            rejected_path_ = *path;
            return S_OK;
        }

        const formats::ValueEncoding encoding = opened->header.values;
        platform::ComPtr<LogInfo> info = LogInfo::make(std::move(opened->header));
        if (!info) return E_OUTOFMEMORY;
        std::vector<ChannelDescription> channels;
        channels.reserve(static_cast<std::size_t>(info->count()));
        for (int k = 0; k < info->count(); ++k) channels.push_back(info->channel(k));

        reader_ = std::move(opened->reader);
        channels_ = std::move(channels);
        info_ = std::move(info);
        value_encoding_ = encoding;
        format_ = opened->format;
        header_offset_ = opened->header_offset;
        rejected_ = false;
        *pRet = 0;
        return S_OK;
    });
}

double Log::value_at(const unsigned char* packed, std::size_t size, int k) const {
    // The reader packs each value at its encoding's width: value k lies at k * w.
    const auto width = static_cast<std::size_t>(formats::encoded_width(value_encoding_));
    const auto slot = static_cast<std::size_t>(k);
    if ((slot + 1) * width > size) return 0;
    return formats::widen(value_encoding_, packed + slot * width);
}

HRESULT Log::read_record(bool with_inputs, platform::ComPtr<LogRecord>& record) {
    record.reset();
    if (!reader_ || !info_) return S_OK;

    double time = 0;
    alignas(double) std::array<unsigned char, formats::kChannelSlots * sizeof(double)> values{};
    std::array<std::int16_t, formats::kErrorPlaces> errors{};
    if (!reader_->ReadRecord(&time, values.data(), errors.data(), nullptr)) return S_OK;

    return guard_out_of_memory([&]() -> HRESULT {
        std::vector<platform::ComPtr<LogUnit>> units;
        units.reserve(channels_.size());
        for (int k = 0; k < static_cast<int>(channels_.size()); ++k) {
            const ChannelDescription& channel = channels_[static_cast<std::size_t>(k)];
            UnitValues u;
            u.value = value_at(values.data(), values.size(), k);
            u.error = errors[static_cast<std::size_t>(k)];
            u.time = time;
            u.unit_type = channel.unit_type;  // widened with its sign
            u.input = with_inputs ? channel.input : std::int16_t{0};
            u.channel = channel.channel;
            auto unit = LogUnit::make(u);
            if (!unit) return E_OUTOFMEMORY;
            units.push_back(std::move(unit));
        }
        record = LogRecord::make(std::move(units));
        return record ? S_OK : E_OUTOFMEMORY;
    });
}

HRESULT Log::GetNextRecord(ILogRecord** ppRecord) {
    if (!ppRecord) return E_POINTER;
    *ppRecord = nullptr;
    platform::ComPtr<LogRecord> record;
    const HRESULT hr = read_record(true, record);
    *ppRecord = record.detach();
    return hr;
}

HRESULT Log::get_Item(std::int32_t index, ILogRecord** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    // No record lies before the first: a negative index would read the header
    // as a record, or the record wherever the position stood when the seek
    // cannot be made. It answers like the end of the log and moves nothing.
    if (!reader_ || index < 0) return S_OK;
    reader_->SeekRecords(index, 0);  // the result is not looked at: the read tells
    return GetNextRecord(pVal);
}

HRESULT Log::Seek(std::int32_t nOff, std::int32_t whence, std::int32_t* pRet) {
    if (!pRet) return E_POINTER;
    *pRet = reader_ ? reader_->SeekRecords(nOff, whence) : 0;
    return S_OK;
}

HRESULT Log::GetLogInfo(ILogInfo** ppHeader) {
    if (!ppHeader) return E_POINTER;
    *ppHeader = nullptr;
    if (!info_) return E_FAIL;
    ILogInfo* info = info_.get();
    info->AddRef();
    *ppHeader = info;
    return S_OK;
}

HRESULT Log::get_Count(std::int32_t* pVal) {
    if (!pVal) return E_POINTER;
    *pVal = reader_ ? reader_->RecordCount() : 0;
    return S_OK;
}

HRESULT Log::ReadRecords(std::int32_t first, std::int32_t count, double* times, double* values,
                         std::int16_t* errors, std::int32_t* pDelivered) {
    if (!pDelivered) return E_POINTER;
    *pDelivered = 0;
    if (first < 0 || count < 0) return E_INVALIDARG;
    if (!reader_) return S_FALSE;
    if (count == 0) return S_OK;
    // Item names no record past the largest 32-bit index.
    const auto reachable = static_cast<std::int32_t>(
        std::min<std::int64_t>(count, std::int64_t{std::numeric_limits<std::int32_t>::max()} - first + 1));
    // Item(first) seeks there; the records after it follow on, as the Items
    // after it would find them.
    reader_->SeekRecords(first, 0);
    const formats::RecordRun run{times, values, errors, static_cast<int>(channels_.size())};
    *pDelivered = reader_->ReadRecords(reachable, run);
    return *pDelivered == count ? S_OK : S_FALSE;
}

HRESULT Log::GetFormat(BSTR* pName, BSTR* pKey, std::int32_t* pHeaderOffset) {
    if (!pName || !pKey || !pHeaderOffset) return E_POINTER;
    *pName = nullptr;
    *pKey = nullptr;
    *pHeaderOffset = 0;
    if (!format_) return S_FALSE;
    platform::Bstr name = platform::Bstr::from_utf8(format_->name);
    platform::Bstr key = platform::Bstr::from_utf8(format_->key);
    if (!name.get() || !key.get()) return E_OUTOFMEMORY;
    *pName = name.detach();
    *pKey = key.detach();
    *pHeaderOffset = header_offset_;
    return S_OK;
}

HRESULT Log::GetRejectionReason(BSTR* pReason) {
    if (!pReason) return E_POINTER;
    *pReason = nullptr;
    if (!rejected_) return S_FALSE;
    return guard_out_of_memory([&]() -> HRESULT {
        std::string why = rejected_path_.empty() ? "the name has no exact form as file-name bytes"
                                                 : formats::rejection_reason(rejected_path_);
        // The file may have become readable since; it was not when Open tried.
        if (why.empty()) why = "the log module did not accept it";
        platform::Bstr reason = platform::Bstr::from_utf8(why);
        if (!reason.get()) return E_OUTOFMEMORY;
        *pReason = reason.detach();
        return S_OK;
    });
}

HRESULT Log::get__NewEnum(IUnknown** pVal) {
    if (!pVal) return E_POINTER;
    *pVal = nullptr;
    rewind();
    auto enumerator = make_record_enumerator(platform::ComPtr<Log>(this));
    if (!enumerator) return E_OUTOFMEMORY;
    *pVal = enumerator.detach();
    return S_OK;
}

}  // namespace corvex::objects
