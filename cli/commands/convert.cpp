// corvex convert SRC DST: any readable log into the converted log layout.
#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/log_access.h"
#include "corvex/platform/bstr.h"

namespace corvex::cli {

namespace {

constexpr std::string_view kCommand = "convert";

struct ConvertOptions {
    std::string source, destination, computer;
    std::int16_t comport = 0, node = 0;
};

int run_convert(const ConvertOptions& o) {
    // The converter would leave an empty destination for a file it cannot read;
    // check first, so that a mistake creates nothing.
    {
        auto open = open_log(o.source);
        if (!open) return report_failure(kCommand, open.error());
    }
    // The converter truncates the destination before reading the source: the
    // same file on both sides would destroy the log.
    std::error_code ec;
    if (std::filesystem::equivalent(o.source, o.destination, ec))
        return report_failure(kCommand, o.destination + ": is the source log itself; choose another destination");

    // The converter's own message for an unwritable destination does not name
    // it or the reason; find out first. Opening without truncation changes no
    // existing file, and the converter would create a missing one anyway.
    const bool existed = std::filesystem::exists(o.destination, ec);
    const int fd = ::open(o.destination.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0) return report_failure(kCommand, o.destination + ": cannot write: " + std::strerror(errno));
    ::close(fd);
    // The probe must not leave an empty file behind when the conversion fails.
    auto remove_probe = [&] {
        if (!existed) std::filesystem::remove(o.destination, ec);
    };

    auto converter = create_module_object<IConvertLog>(CLSID_ConvertLog, "Corvex.ConvertLog");
    if (!converter) {
        remove_probe();
        return report_failure(kCommand, converter.error());
    }
    const platform::Bstr computer = platform::Bstr::from_utf8(o.computer);
    HRESULT hr = (*converter)->put_ComputerName(computer.get());
    if (SUCCEEDED(hr)) hr = (*converter)->put_Comport(o.comport);
    if (SUCCEEDED(hr)) hr = (*converter)->put_NodeID(o.node);
    if (FAILED(hr)) {
        remove_probe();
        return report_failure(kCommand, "cannot set the converter's options: " + status_text(hr));
    }

    // Paths are bytes: the converter must open exactly the files named.
    const platform::Bstr source = platform::Bstr::from_path(o.source);
    const platform::Bstr destination = platform::Bstr::from_path(o.destination);
    std::int32_t result = 0;
    hr = (*converter)->RZ417ToPC(source.get(), destination.get(), &result);
    if (FAILED(hr)) {
        remove_probe();
        return report_failure(kCommand, "the converter failed: " + status_text(hr));
    }
    // -1: the converter has already said which file it could not open or
    // write, in one line on standard error.
    if (result != 0) {
        remove_probe();
        return kExitFailure;
    }
    return kExitSuccess;
}

}  // namespace

void add_convert_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("convert", "Convert a readable log into the converted log layout.");
    auto o = std::make_shared<ConvertOptions>();
    sub->add_option("SRC", o->source, "Log to convert")->required();
    sub->add_option("DST", o->destination, "Converted log to write (created or overwritten)")->required();
    sub->add_option("--computer", o->computer, "Computer name stamped into every item (at most 32 characters kept)");
    sub->add_option("--comport", o->comport, "Communication port stamped into every item")
        ->check(CLI::Range(-32768, 32767));
    sub->add_option("--node", o->node, "Node identifier stamped into every item")->check(CLI::Range(-32768, 32767));
    sub->callback([o, &status] { status = run_convert(*o); });
}

}  // namespace corvex::cli
