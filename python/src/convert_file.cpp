#include "python/src/convert_file.h"

#include "corvex/platform/bstr.h"
#include "corvex/platform/output_file.h"
#include "corvex/platform/text.h"
#include "python/src/log_file.h"
#include "python/src/module_access.h"

namespace corvex::python {

namespace {

// The first record of `log` that cannot be read: the converter stops there.
// Only a log's last counted record can fail (a file cut short inside it), so
// that one is tried first and the others only when it fails.
std::optional<std::int32_t> first_unreadable_record(LogFile& log) {
    const std::int32_t count = log.header().record_count;
    if (count <= 0) return std::nullopt;
    ReadRequest last;
    last.first = count - 1;
    last.count = 1;
    if (!log.read(last).unreadable_record) return std::nullopt;
    ReadRequest all;
    all.count = count;
    return log.read(all).unreadable_record;
}

}  // namespace

Expected<ConvertOutcome, ConvertError> convert_log_file(const ConvertRequest& rq) {
    const std::string destination = text::path_display_text(rq.destination);
    auto source = LogFile::open(rq.source);
    if (!source) return Unexpected{ConvertError{source.error()}};
    if (platform::names_same_file(rq.source, rq.destination))
        return Unexpected{
            ConvertError{destination + ": is the source log itself; choose another destination", true}};

    auto output = platform::OutputFile::open(rq.destination);
    if (!output) return Unexpected{ConvertError{destination + ": cannot write: " + output.error().reason, true}};

    auto converter = create_module_object<IConvertLog>(CLSID_ConvertLog, "Corvex.ConvertLog");
    if (!converter) return Unexpected{ConvertError{converter.error()}};
    const platform::Bstr computer = platform::Bstr::from_utf8(rq.computer);
    HRESULT hr = (*converter)->put_ComputerName(computer.get());
    if (SUCCEEDED(hr)) hr = (*converter)->put_Comport(rq.comport);
    if (SUCCEEDED(hr)) hr = (*converter)->put_NodeID(rq.node_id);
    if (FAILED(hr)) return Unexpected{ConvertError{"cannot set the converter's options: " + status_text(hr)}};

    const platform::Bstr from = platform::Bstr::from_path(rq.source);
    const platform::Bstr into = platform::Bstr::from_utf8("/dev/fd/" + std::to_string(output->descriptor()));
    std::int32_t result = 0;
    hr = (*converter)->RZ417ToPC(from.get(), into.get(), &result);
    if (FAILED(hr))
        return Unexpected{ConvertError{destination + ": the converter failed: " + status_text(hr), true}};
    // -1: the converter could not read the source or write the destination;
    // it has said which on standard error. Nothing is left under the name.
    if (result != 0) return Unexpected{ConvertError{destination + ": the converter could not write it", true}};
    if (auto committed = output->commit(); !committed)
        return Unexpected{ConvertError{destination + ": cannot write: " + committed.error().reason, true}};

    return ConvertOutcome{(*source)->header().record_count, first_unreadable_record(**source)};
}

}  // namespace corvex::python
