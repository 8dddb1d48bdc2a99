// corvex units [ID]: the unit-type catalogue, or one row of it.
//
// The texts come from UnitTypeInfo, as any client sees them; the list of
// identifiers comes from the catalogue linked into the tool, since the
// published interface cannot enumerate its rows.
#include <CLI/CLI.hpp>

#include <charconv>
#include <string>
#include <vector>

#include "cli/command_status.h"
#include "cli/commands/commands.h"
#include "cli/log_access.h"
#include "cli/output/standard_output.h"
#include "cli/output/text_table.h"
#include "export/unit_type_text.h"
#include "logmodule/units/unit_catalogue.h"

namespace corvex::cli {

namespace {

constexpr std::string_view kCommand = "units";

Expected<std::vector<std::string>, std::string> unit_row(IUnitTypeInfo* info, std::int32_t id) {
    auto row = exporting::read_unit_type(info, id, status_text);
    if (!row) return Unexpected{row.error()};
    return std::vector<std::string>{std::to_string(id),   row->mode_name,
                                    row->short_name,      row->name,
                                    row->mnemonic,        std::to_string(row->width),
                                    std::to_string(row->decimals)};
}

int run_units(const std::string& id_text) {
    std::vector<std::int32_t> ids;
    if (id_text.empty()) {
        for (const units::UnitTypeRow& row : units::unit_types()) ids.push_back(row.id);
    } else {
        std::int32_t id = 0;
        const auto [end, ec] = std::from_chars(id_text.data(), id_text.data() + id_text.size(), id);
        if (ec != std::errc() || end != id_text.data() + id_text.size())
            return report_failure(kCommand, "'" + id_text + "' is not a unit type identifier", kExitUsage);
        if (!units::FindUnitType(id))
            return report_failure(kCommand, "unit type " + id_text + " is not in the catalogue");
        ids.push_back(id);
    }

    auto info = create_module_object<IUnitTypeInfo>(CLSID_UnitTypeInfo, "Corvex.UnitTypeInfo");
    if (!info) return report_failure(kCommand, info.error());

    write_standard_output(tsv_line({"Id", "Mode name", "Short name", "Name", "Mnemonic", "Width", "Decimals"}));
    for (std::int32_t id : ids) {
        auto row = unit_row(info->get(), id);
        if (!row) return report_failure(kCommand, row.error());
        write_standard_output(tsv_line(*row));
    }
    if (std::string failure = finish_standard_output(); !failure.empty()) return report_failure(kCommand, failure);
    return kExitSuccess;
}

}  // namespace

void add_units_command(CLI::App& app, int& status) {
    auto* sub = app.add_subcommand("units", "List the unit-type catalogue, or the one row with identifier ID.");
    auto id = std::make_shared<std::string>();
    sub->add_option("ID", *id, "Unit type identifier (0 to 65535)");
    sub->footer("Output: tab-separated, a header line then one line per unit type. Texts in UTF-8.");
    sub->callback([id, &status] { status = run_units(*id); });
}

}  // namespace corvex::cli
