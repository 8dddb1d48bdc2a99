// corvex: the command-line tool for batch work on logs.
#include <CLI/CLI.hpp>

#include <algorithm>
#include <exception>
#include <new>
#include <string>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "corvex/platform/program_guards.h"

int main(int argc, char** argv) {
    using namespace corvex::cli;
    corvex::platform::guard_program();

    CLI::App app{"Read, dump, export and convert the data logs of field flow instruments.", "corvex"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "corvex " CORVEX_VERSION);
    app.failure_message([](const CLI::App*, const CLI::Error& e) {
        return "corvex: " + std::string(e.what()) + " (see 'corvex --help')\n";
    });

    int status = kExitSuccess;
    add_info_command(app, status);
    add_dump_command(app, status);
    add_export_command(app, status);
    add_convert_command(app, status);
    add_units_command(app, status);
    add_typelib_command(app, status);

    // The parser would only say that a command is missing.
    const auto commands = app.get_subcommands([](const CLI::App*) { return true; });
    const auto is_command = [&](std::string_view name) {
        return std::any_of(commands.begin(), commands.end(), [&](const CLI::App* c) { return c->get_name() == name; });
    };
    if (argc > 1 && argv[1][0] != '-' && !is_command(argv[1]))
        return report_failure("", "unknown command '" + std::string(argv[1]) + "' (see 'corvex --help')", kExitUsage);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? kExitSuccess : kExitUsage;
    } catch (const std::bad_alloc&) {
        return report_failure("", "out of memory");
    } catch (const std::exception& e) {
        return report_failure("", e.what());
    }
    return status;
}
