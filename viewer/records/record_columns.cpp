#include "viewer/records/record_columns.h"

#include "corvex/log_flags.h"
#include "export/export_options.h"

namespace corvex::viewer {

std::vector<RecordColumn> record_columns(const std::vector<bool>& selected, std::int32_t units,
                                         std::int16_t error_flags) {
    exporting::ExportOptions errors_included;
    errors_included.include_errors = true;
    const exporting::ErrorColumns errors = exporting::error_columns(error_flags, errors_included);
    std::vector<RecordColumn> columns{{RecordColumn::Kind::Time, -1}};
    for (std::int32_t k = 0; k < units; ++k) {
        if (static_cast<std::size_t>(k) >= selected.size() || !selected[static_cast<std::size_t>(k)]) continue;
        columns.push_back({RecordColumn::Kind::Value, k});
        if (errors.per_unit) columns.push_back({RecordColumn::Kind::UnitError, k});
    }
    if (errors.per_record)
        columns.push_back({RecordColumn::Kind::RecordError, errors.record_follows_units() && units > 0 ? units - 1 : -1});
    return columns;
}

std::string column_title(const RecordColumn& column, const std::vector<exporting::ItemFields>& items) {
    switch (column.kind) {
        case RecordColumn::Kind::Time: return "Date/Time";
        case RecordColumn::Kind::Value:
            return exporting::column_name(items.at(static_cast<std::size_t>(column.unit)), exporting::EmptySymbol::LabelAlone);
        case RecordColumn::Kind::UnitError:
        case RecordColumn::Kind::RecordError: break;
    }
    return "Error #";
}

std::int16_t error_word(const RecordColumn& column, const exporting::RecordBlock& block, std::int32_t i) {
    return column.unit >= 0 && column.unit < block.units ? block.error(i, column.unit) : std::int16_t{0};
}

bool has_error(const exporting::RecordBlock& block, std::int32_t i) {
    for (std::int32_t k = 0; k < block.units; ++k)
        if (block.error(i, k) != 0) return true;
    return false;
}

std::string cell_text(const RecordColumn& column, const exporting::RecordBlock& block, std::int32_t i,
                      const exporting::TextForms& forms) {
    switch (column.kind) {
        case RecordColumn::Kind::Time: return block.has_time() ? forms.general_date(block.time(i)) : std::string();
        case RecordColumn::Kind::Value:
            return block.has_value(i, column.unit) ? forms.number(block.value(i, column.unit)) : std::string();
        case RecordColumn::Kind::UnitError:
        case RecordColumn::Kind::RecordError: break;
    }
    return std::to_string(error_word(column, block, i));
}

}  // namespace corvex::viewer
