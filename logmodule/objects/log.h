// Log: the session through which a client reads one log file.
//
// A Log holds at most one open log: the reader of its format and the LogInfo
// built from its header. The reader's file position is the log's one read
// position, shared by GetNextRecord, Item, Seek and the record enumerator.
// Everything a Log hands out holds copies of its values and outlives the Log
// and any later Open.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "corvex/corvex.h"
#include "corvex/platform/object.h"
#include "logmodule/typeinfo/interface_descriptions.h"  // IDispatch answers from it; every includer must see it
#include "logmodule/formats/log_format.h"
#include "logmodule/objects/log_info.h"
#include "logmodule/objects/log_record.h"

namespace corvex::objects {

class Log final : public platform::DispatchObject<Log, ILog, ILogFormat, ILogBlocks> {
public:
    // A new Log has no open log.
    Log() noexcept = default;
    ~Log();

    HRESULT get__NewEnum(IUnknown** pVal) override;
    HRESULT get_Item(std::int32_t index, ILogRecord** pVal) override;
    // pRet 0 when the log is open, -1 when the file cannot be opened or is not a
    // readable log (both with S_OK); a null name answers -1 and S_FALSE and
    // leaves an open log open. Any other call closes the open log first.
    HRESULT Open(BSTR sFilename, std::int32_t* pRet) override;
    // The record at the read position, or null (with S_OK) at the end of the
    // log, on an unreadable record and when no log is open.
    HRESULT GetNextRecord(ILogRecord** ppRecord) override;
    HRESULT Seek(std::int32_t nOff, std::int32_t whence, std::int32_t* pRet) override;
    HRESULT GetLogInfo(ILogInfo** ppHeader) override;
    HRESULT get_Count(std::int32_t* pVal) override;

    // ---- ILogFormat ---------------------------------------------------------
    HRESULT GetFormat(BSTR* pName, BSTR* pKey, std::int32_t* pHeaderOffset) override;
    HRESULT GetRejectionReason(BSTR* pReason) override;

    // ---- ILogBlocks ---------------------------------------------------------
    // Item(first) .. Item(first + count - 1) copied into arrays, stopping where
    // Item stops (corvex_interfaces.inc gives the whole contract).
    HRESULT ReadRecords(std::int32_t first, std::int32_t count, double* times, double* values, std::int16_t* errors,
                        std::int32_t* pDelivered) override;

    // ---- for the record enumerator --------------------------------------
    // Reads the record at the read position; `record` is null when there is
    // none. Units carry their channel's input number only when `with_inputs`.
    HRESULT read_record(bool with_inputs, platform::ComPtr<LogRecord>& record);
    // Moves the read position to the first record (nothing when no log is open).
    void rewind();

private:
    void close() noexcept;
    double value_at(const unsigned char* packed, std::size_t size, int k) const;

    std::unique_ptr<formats::LogReader> reader_;
    platform::ComPtr<LogInfo> info_;
    // info_'s channel descriptions, taken once at Open: every record's units
    // carry them.
    std::vector<ChannelDescription> channels_;
    // How the reader packs values.
    formats::ValueEncoding value_encoding_ = formats::ValueEncoding::Double;
    // The open log's format and header offset; null when no log is open.
    const formats::LogFormat* format_ = nullptr;
    std::int32_t header_offset_ = 0;
    // Whether the last Open failed, and the name it was given (its reason is
    // worked out when asked); empty for a name with no byte form.
    bool rejected_ = false;
    std::string rejected_path_;
};

}  // namespace corvex::objects
