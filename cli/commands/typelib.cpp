// corvex typelib: the module's type information as IDL-like text, for
// documentation and review.
#include <CLI/CLI.hpp>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/output/standard_output.h"
#include "logmodule/automation/typelib_text.h"

namespace corvex::cli {

void add_typelib_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("typelib", "Print the type information of the log module as IDL-like text.");
    sub->callback([&status] {
        write_standard_output(automation::type_library_text());
        const std::string failure = finish_standard_output();
        status = failure.empty() ? kExitSuccess : report_failure("typelib", failure);
    });
}

}  // namespace corvex::cli
