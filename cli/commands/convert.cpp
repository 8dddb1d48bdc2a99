// corvex convert SRC DST: any readable log into the converted log layout.
#include <CLI/CLI.hpp>

#include <optional>
#include <string>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/log_access.h"
#include "corvex/platform/bstr.h"
#include "corvex/platform/output_file.h"

namespace corvex::cli {

namespace {

constexpr std::string_view kCommand = "convert";

struct ConvertOptions {
    std::string source, destination, computer;
    std::int16_t comport = 0, node = 0;
};

// The first of the `count` records of `log` that cannot be read; empty when
// all can. The converter stops at the first record it cannot read and keeps
// what came before. A reader can fail only on a log's last counted record (a
// file cut short inside it), so that one is tried first and the others only
// when it fails.
std::optional<std::int32_t> first_unreadable_record(ILog* log, std::int32_t count) {
    const auto readable = [log](std::int32_t r) {
        platform::ComPtr<ILogRecord> record;
        return SUCCEEDED(log->get_Item(r, record.put())) && record;
    };
    if (count <= 0 || readable(count - 1)) return std::nullopt;
    for (std::int32_t r = 0; r < count - 1; ++r)
        if (!readable(r)) return r;
    return count - 1;
}

int run_convert(const ConvertOptions& o) {
    // The converter would leave an empty destination for a file it cannot read;
    // check first, so that a mistake creates nothing.
    auto open = open_log(o.source);
    if (!open) return report_failure(kCommand, open.error());
    // Writing over the source would destroy the log before it was read.
    if (platform::names_same_file(o.source, o.destination))
        return report_failure(kCommand, o.destination + ": is the source log itself; choose another destination");

    // The destination is opened once, here, by the rules every writer follows
    // (a temporary file renamed into place, links followed, pipes and held
    // descriptors written directly); the converter writes into its descriptor.
    auto destination = platform::OutputFile::open(o.destination);
    if (!destination)
        return report_failure(kCommand, o.destination + ": cannot write: " + destination.error().reason);

    auto converter = create_module_object<IConvertLog>(CLSID_ConvertLog, "Corvex.ConvertLog");
    if (!converter) return report_failure(kCommand, converter.error());
    const platform::Bstr computer = platform::Bstr::from_utf8(o.computer);
    HRESULT hr = (*converter)->put_ComputerName(computer.get());
    if (SUCCEEDED(hr)) hr = (*converter)->put_Comport(o.comport);
    if (SUCCEEDED(hr)) hr = (*converter)->put_NodeID(o.node);
    if (FAILED(hr)) return report_failure(kCommand, "cannot set the converter's options: " + status_text(hr));

    // Paths are bytes: the converter must open exactly the file named.
    const platform::Bstr source = platform::Bstr::from_path(o.source);
    const platform::Bstr through =
        platform::Bstr::from_utf8("/dev/fd/" + std::to_string(destination->descriptor()));
    std::int32_t result = 0;
    hr = (*converter)->RZ417ToPC(source.get(), through.get(), &result);
    if (FAILED(hr)) return report_failure(kCommand, "the converter failed: " + status_text(hr));
    // -1: the converter has already said which file it could not open or
    // write, in one line on standard error.
    if (result != 0) return kExitFailure;
    if (auto committed = destination->commit(); !committed)
        return report_failure(kCommand, o.destination + ": cannot write: " + committed.error().reason);

    std::int32_t count = 0;
    if (FAILED(open->log->get_Count(&count))) count = 0;
    if (const auto r = first_unreadable_record(open->log.get(), count)) {
        return report_failure(kCommand,
                              o.source + ": could not read record " + std::to_string(*r) + " (counting from 0) of " +
                                  std::to_string(count) + "; " + o.destination + " holds the " + std::to_string(*r) +
                                  " records before it",
                              kExitUnreadableRecord);
    }
    return kExitSuccess;
}

}  // namespace

void add_convert_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("convert", "Convert a readable log into the converted log layout.");
    auto o = std::make_shared<ConvertOptions>();
    sub->add_option("SRC", o->source, "Log to convert")->required();
    sub->add_option("DST", o->destination, "Converted log to write (created or replaced)")->required();
    sub->add_option("--computer", o->computer, "Computer name stamped into every item (at most 32 characters kept)");
    sub->add_option("--comport", o->comport, "Communication port stamped into every item")
        ->check(CLI::Range(-32768, 32767));
    sub->add_option("--node", o->node, "Node identifier stamped into every item")->check(CLI::Range(-32768, 32767));
    sub->footer(
        "Nothing is written under DST unless the conversion succeeds. Exit status 2: a record could not be read;\n"
        "DST holds the records before it.");
    sub->callback([o, &status] { status = run_convert(*o); });
}

}  // namespace corvex::cli
