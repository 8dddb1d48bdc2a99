#include "export/export_formats.h"

#include <algorithm>
#include <cctype>
#include <string>

#include "export/csv_export.h"
#include "export/workbook_export.h"

namespace corvex::exporting {

namespace {

constexpr std::string_view kCsvExtensions[] = {".csv"};
constexpr std::string_view kWorkbookExtensions[] = {".xlsx", ".xls"};

Expected<ExportOutcome, ExportError> run_workbook(ILog* log, const ExportOptions& options,
                                                  const std::filesystem::path& out, const ProgressFn& progress) {
    return export_workbook(log, options, out, progress);
}

const ExportFormat kFormats[] = {
    {"csv", "delimited text", "CSV (*.csv)", "CSV file", "Export *.log to *.csv", "Comma Separated Value File (*.csv)", kCsvExtensions,
     true, true, true, export_csv},
    {"xlsx", "workbook", "Excel (*.xlsx)", "Excel file", "Export *.log to *.xlsx", "Excel File (*.xlsx)", kWorkbookExtensions,
     false, false, false, run_workbook},
};

}  // namespace

std::span<const ExportFormat> export_formats() { return kFormats; }

const ExportFormat* find_export_format(std::string_view id) {
    for (const ExportFormat& f : kFormats)
        if (f.id == id) return &f;
    return nullptr;
}

const ExportFormat& export_format_for(const std::filesystem::path& path) {
    std::string extension = path.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    for (const ExportFormat& f : kFormats)
        if (std::find(f.extensions.begin(), f.extensions.end(), extension) != f.extensions.end()) return f;
    return kFormats[0];
}

}  // namespace corvex::exporting
