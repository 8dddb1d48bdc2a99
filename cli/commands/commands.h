// The tool's commands. Each adds its subcommand to the application; when the
// subcommand runs, its callback stores the exit status in `status`.
#pragma once

namespace CLI {
class App;
}

namespace corvex::cli {

void add_info_command(CLI::App& app, int& status);
void add_dump_command(CLI::App& app, int& status);
void add_export_command(CLI::App& app, int& status);
void add_convert_command(CLI::App& app, int& status);
void add_units_command(CLI::App& app, int& status);
void add_typelib_command(CLI::App& app, int& status);

}  // namespace corvex::cli
