// Fuzz driver over a whole log session: the bytes are opened by Log.Open as a
// file, walked by every route a client has (Count, Item, GetNextRecord, the
// record and unit enumerators, the items), and exported as delimited text and
// as a workbook. Damaged input must end in a clean answer, never a fault.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "corvex/corvex.h"
#include "corvex/platform/bstr.h"
#include "logmodule/objects/log.h"
#include "export/csv_export.h"
#include "export/workbook_export.h"

namespace {

using corvex::platform::Bstr;
using corvex::platform::ComPtr;

// A folder of this process for the exports (the engines write beside the target).
const std::filesystem::path& scratch() {
    static const std::filesystem::path dir = [] {
        std::filesystem::path d = std::filesystem::temp_directory_path() / ("corvex-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    return dir;
}

void walk_record(ILogRecord* record) {
    std::int32_t count = 0;
    record->get_Count(&count);
    for (std::int32_t u = -1; u <= count; ++u) {
        ComPtr<ILogUnit> unit;
        record->get_Item(u, unit.put());
        if (!unit) continue;
        VARIANT v;
        VariantInit(&v);
        unit->get_Value(&v);
        VariantClear(&v);
    }
    ComPtr<IUnknown> next;
    for (std::int32_t i = 0; i <= count + 1; ++i) record->GetNextUnit(next.put());
    ComPtr<IUnknown> unknown;
    record->get__NewEnum(unknown.put());
    if (auto e = unknown.query<IEnumVARIANT>()) {
        VARIANT v[4];
        ULONG fetched = 0;
        while (e->Next(4, v, &fetched) == S_OK)
            for (ULONG i = 0; i < fetched; ++i) VariantClear(&v[i]);
        for (ULONG i = 0; i < fetched; ++i) VariantClear(&v[i]);
    }
}

void walk(ILog* log) {
    std::int32_t count = 0;
    log->get_Count(&count);
    ComPtr<ILogInfo> info;
    if (SUCCEEDED(log->GetLogInfo(info.put())) && info) {
        std::int32_t items = 0;
        info->get_Count(&items);
        for (std::int32_t i = -1; i <= items; ++i) {
            ComPtr<ILogItem> item;
            info->get_Item(i, item.put());
            if (!item) continue;
            Bstr label;
            item->get_Label(label.put());
        }
    }
    // Bounded: a count is capped by the bytes, and only the first records are walked.
    for (std::int32_t r = 0; r <= count && r < 64; ++r) {
        ComPtr<ILogRecord> record;
        log->get_Item(r, record.put());
        if (record) walk_record(record.get());
    }
    for (std::int32_t whence = 0; whence <= 2; ++whence) {
        std::int32_t ret = 0;
        log->Seek(-1, whence, &ret);
        ComPtr<ILogRecord> record;
        log->GetNextRecord(record.put());
    }
    ComPtr<IUnknown> unknown;
    log->get__NewEnum(unknown.put());
    if (auto e = unknown.query<IEnumVARIANT>()) {
        VARIANT v[8];
        ULONG fetched = 0;
        for (int rounds = 0; rounds < 8 && e->Next(8, v, &fetched) == S_OK; ++rounds)
            for (ULONG i = 0; i < fetched; ++i) VariantClear(&v[i]);
        for (ULONG i = 0; i < fetched; ++i) VariantClear(&v[i]);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The log lives in memory but is opened by name, as a client opens a file.
    const int fd = memfd_create("corvex-fuzz-log", MFD_CLOEXEC);
    if (fd < 0) return 0;
    if (size > 0 && write(fd, data, size) != static_cast<ssize_t>(size)) {
        close(fd);
        return 0;
    }
    const std::string path = "/proc/self/fd/" + std::to_string(fd);

    auto log = corvex::objects::Log::make();
    const Bstr name = Bstr::from_utf8(path);
    std::int32_t ret = -1;
    log->Open(name.get(), &ret);
    if (ret == 0) {
        walk(log.get());
        std::int32_t count = 0;
        log->get_Count(&count);
        if (count <= 2000) {  // keep each input fast
            corvex::exporting::ExportOptions options;
            options.file_title = "fuzz.log";
            options.file_name = path;
            options.selected.assign(12, true);
            options.delimiter = ";";
            (void)corvex::exporting::export_csv(log.get(), options, scratch() / "out.csv");
            (void)corvex::exporting::export_workbook(log.get(), options, scratch() / "out.xlsx");
        }
    }
    close(fd);
    return 0;
}
