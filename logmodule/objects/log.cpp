#include "logmodule/objects/log.h"

#include <array>
#include <cstring>
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
    reader_.reset();  // closes the file
    info_.reset();
    channels_.clear();
    meter_type_code_.reset();
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
        if (!path) return S_OK;
        auto opened = formats::open_log(*path);
        if (!opened || !opened->reader) return S_OK;

        platform::ComPtr<LogInfo> info;
        std::optional<std::uint8_t> type_code;
        if (const auto* meter = std::get_if<formats::MeterHeader>(&opened->header)) {
            info = LogInfo::make(*meter);
            type_code = meter->type_code;
        } else {
            info = LogInfo::make(std::get<formats::PcHeader>(opened->header));
        }
        if (!info) return E_OUTOFMEMORY;
        std::vector<ChannelDescription> channels;
        channels.reserve(static_cast<std::size_t>(info->count()));
        for (int k = 0; k < info->count(); ++k) channels.push_back(info->channel(k));

        reader_ = std::move(opened->reader);
        channels_ = std::move(channels);
        info_ = std::move(info);
        meter_type_code_ = type_code;
        *pRet = 0;
        return S_OK;
    });
}

double Log::value_at(const unsigned char* packed, std::size_t size, int k) const {
    const auto slot = static_cast<std::size_t>(k);
    if (!meter_type_code_) {
        double value = 0;
        if ((slot + 1) * sizeof value <= size) std::memcpy(&value, packed + slot * sizeof value, sizeof value);
        return value;
    }
    // Meter readers pack each value at its own width: value k lies at k * w.
    const auto width = static_cast<std::size_t>(formats::value_width(*meter_type_code_));
    if ((slot + 1) * width > size) return 0;
    return formats::widen_value(*meter_type_code_, packed + slot * width);
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
