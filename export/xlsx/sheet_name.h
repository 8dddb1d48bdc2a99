// The names a workbook takes for its sheets.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace corvex::xlsx {

// Why a workbook would refuse `name` as a sheet name, or nothing when it
// takes it: 1 to 31 characters of valid UTF-8 without control characters,
// none of : \ / ? * [ ], no apostrophe first or last, not "History".
std::optional<std::string> sheet_name_problem(std::string_view name);

// Whether two sheet names clash: equal when ASCII letters are compared
// regardless of case.
bool same_sheet_name(std::string_view a, std::string_view b);

}  // namespace corvex::xlsx
