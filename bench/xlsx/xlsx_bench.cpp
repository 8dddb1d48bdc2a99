// Writes the same workbook with the package writer and with libxlsxwriter
// (constant-memory mode): a bold header row, then rows of one date cell,
// twelve measured values and twelve small integers, the shape of a
// twelve-channel log export with error columns. Reports for each writer the
// best and median wall time, the peak resident memory of the process that
// wrote it, the file size and how many of the doubles written do not read back
// exactly (parsed by Python from the sheet XML).
//
//     xlsx_bench [--rows N] [--repeat K] [--levels 1,6] [--folder DIR]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xlsxwriter.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "export/xlsx/package.h"

namespace {

constexpr int kValues = 12;
constexpr int kIntegers = 12;
constexpr double kFirstDay = 45352.0;

// The cells of data row r (from 0): the date, the values, the integers.
double date_of(int r) { return kFirstDay + r / 86400.0; }
double value_of(int r, int c) {
    // Half the channels log single-precision floats (widened, as the log
    // module hands them out), half doubles.
    if (c < kValues / 2) return static_cast<double>(static_cast<float>(static_cast<float>(r) * 0.01f + static_cast<float>(c)));
    return r / 7.0 + c * 0.1;
}
int integer_of(int r, int c) { return (r + c) % 7; }

std::string header_of(int column) {
    if (column == 0) return "Date/Time";
    if (column <= kValues) return "Flow " + std::to_string(column) + " (m/s)";
    return "Error #";
}

double width_of(int column) { return column == 0 ? 18 : column <= kValues ? 14 : 7; }

bool write_ours(const std::filesystem::path& out, int rows, int level, unsigned threads) {
    using namespace corvex::xlsx;
    Options options;
    options.created = 1'700'000'000;
    options.compression_level = level;
    options.threads = threads;
    auto package = Package::create(out, options);
    if (!package) return false;
    auto added = package->add_sheet("Log Data");
    if (!added) return false;
    Sheet& sheet = **added;
    sheet.begin_row(0, Style::bold);
    for (int c = 0; c < 1 + kValues + kIntegers; ++c) sheet.text(static_cast<std::uint32_t>(c), header_of(c), Style::bold);
    if (!sheet.end_row()) return false;
    for (int r = 0; r < rows; ++r) {
        sheet.begin_row(static_cast<std::uint32_t>(r + 1));
        sheet.number(0, date_of(r), Style::date);
        std::uint32_t column = 1;
        for (int c = 0; c < kValues; ++c) sheet.number(column++, value_of(r, c));
        for (int c = 0; c < kIntegers; ++c) sheet.number(column++, integer_of(r, c));
        if (!sheet.end_row()) return false;
    }
    for (int c = 0; c < 1 + kValues + kIntegers; ++c) sheet.set_column_width(static_cast<std::uint32_t>(c), width_of(c));
    return package->finish().has_value();
}

bool write_libxlsxwriter(const std::filesystem::path& out, int rows) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook* workbook = workbook_new_opt(out.c_str(), &options);
    if (!workbook) return false;
    lxw_format* bold = workbook_add_format(workbook);
    format_set_bold(bold);
    lxw_format* date = workbook_add_format(workbook);
    format_set_num_format(date, "m/d/yyyy h:mm:ss");
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, "Log Data");
    for (int c = 0; c < 1 + kValues + kIntegers; ++c) {
        worksheet_set_column(sheet, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), width_of(c), nullptr);
    }
    worksheet_set_row(sheet, 0, LXW_DEF_ROW_HEIGHT, bold);
    for (int c = 0; c < 1 + kValues + kIntegers; ++c) {
        worksheet_write_string(sheet, 0, static_cast<lxw_col_t>(c), header_of(c).c_str(), bold);
    }
    for (int r = 0; r < rows; ++r) {
        const auto row = static_cast<lxw_row_t>(r + 1);
        worksheet_write_number(sheet, row, 0, date_of(r), date);
        lxw_col_t column = 1;
        for (int c = 0; c < kValues; ++c) worksheet_write_number(sheet, row, column++, value_of(r, c), nullptr);
        for (int c = 0; c < kIntegers; ++c) worksheet_write_number(sheet, row, column++, integer_of(r, c), nullptr);
    }
    return workbook_close(workbook) == LXW_NO_ERROR;
}

struct Run {
    double seconds = 0;
    double cpu_seconds = 0;  // user and system time of all threads
    double peak_mib = 0;
    bool ok = false;
};

// Runs `write` in a child process: its wall time and peak resident memory.
Run measure(const std::function<bool()>& write) {
    int channel[2];
    if (::pipe(channel) != 0) return {};
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(channel[0]);
        const auto start = std::chrono::steady_clock::now();
        const bool ok = write();
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const double result = ok ? seconds : -1;
        const bool sent = ::write(channel[1], &result, sizeof result) == sizeof result;
        ::_exit(sent ? 0 : 1);
    }
    ::close(channel[1]);
    Run run;
    double seconds = -1;
    const bool received = ::read(channel[0], &seconds, sizeof seconds) == sizeof seconds;
    ::close(channel[0]);
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    run.ok = received && seconds >= 0 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.seconds = seconds;
    run.peak_mib = static_cast<double>(usage.ru_maxrss) / 1024.0;
    const auto to_seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    run.cpu_seconds = to_seconds(usage.ru_utime) + to_seconds(usage.ru_stime);
    return run;
}

void write_expected(const std::filesystem::path& out, int rows) {
    std::vector<double> values;
    values.reserve(static_cast<std::size_t>(rows) * (1 + kValues));
    for (int r = 0; r < rows; ++r) {
        values.push_back(date_of(r));
        for (int c = 0; c < kValues; ++c) values.push_back(value_of(r, c));
    }
    FILE* file = std::fopen(out.c_str(), "wb");
    if (!file) return;
    std::fwrite(values.data(), sizeof(double), values.size(), file);
    std::fclose(file);
}

std::string count_inexact(const std::filesystem::path& workbook, const std::filesystem::path& expected) {
    const std::string command = std::string(CORVEX_SYSTEM_PYTHON) + " '" + CORVEX_SOURCE_DIR +
                                "/bench/xlsx/count_inexact.py' '" + workbook.string() + "' '" + expected.string() + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return "?";
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    if (!read) return "?";
    std::string text(line);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    const auto tab = text.find('\t');
    return tab == std::string::npos ? text : text.substr(0, tab) + " of " + text.substr(tab + 1);
}

struct Result {
    std::string name;
    std::vector<double> seconds;
    std::vector<double> cpu_seconds;
    double peak_mib = 0;
    double file_mib = 0;
    std::string inexact;
};

}  // namespace

int main(int argc, char** argv) {
    int rows = 100'000;
    int repeat = 5;
    std::vector<int> levels = {1, 6};
    std::filesystem::path folder = std::filesystem::temp_directory_path() / ("xlsx-bench-" + std::to_string(::getpid()));
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--rows") rows = std::atoi(argv[i + 1]);
        else if (option == "--repeat") repeat = std::max(1, std::atoi(argv[i + 1]));
        else if (option == "--folder") folder = argv[i + 1];
        else if (option == "--levels") {
            levels.clear();
            for (const char* p = argv[i + 1]; *p;) {
                levels.push_back(std::atoi(p));
                while (*p && *p != ',') ++p;
                if (*p == ',') ++p;
            }
        }
    }
    std::filesystem::create_directories(folder);
    const auto expected = folder / "expected.f64";
    write_expected(expected, rows);
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());

    struct Writer {
        std::string name;
        std::filesystem::path file;
        std::function<bool()> write;
    };
    std::vector<Writer> writers;
    const auto lxw_file = folder / "libxlsxwriter.xlsx";
    writers.push_back({"libxlsxwriter 1.1.4, constant memory", lxw_file, [&] { return write_libxlsxwriter(lxw_file, rows); }});
    for (const int level : levels) {
        for (const unsigned threads : {cores, 0u}) {
            const auto file = folder / ("package-l" + std::to_string(level) + "-t" + std::to_string(threads) + ".xlsx");
            writers.push_back({"package writer, level " + std::to_string(level) + ", " + std::to_string(threads) +
                                   " worker threads",
                               file, [=] { return write_ours(file, rows, level, threads); }});
        }
    }

    std::vector<Result> results;
    for (const Writer& writer : writers) {
        Result result{writer.name, {}, {}, 0, 0, {}};
        for (int k = 0; k < repeat; ++k) {
            const Run run = measure(writer.write);
            if (!run.ok) {
                std::fprintf(stderr, "%s failed\n", writer.name.c_str());
                return 1;
            }
            result.seconds.push_back(run.seconds);
            result.cpu_seconds.push_back(run.cpu_seconds);
            result.peak_mib = std::max(result.peak_mib, run.peak_mib);
        }
        std::sort(result.seconds.begin(), result.seconds.end());
        std::sort(result.cpu_seconds.begin(), result.cpu_seconds.end());
        result.file_mib = static_cast<double>(std::filesystem::file_size(writer.file)) / (1024.0 * 1024.0);
        result.inexact = count_inexact(writer.file, expected);
        results.push_back(std::move(result));
    }

    std::printf("%d rows x (1 date + %d values + %d integers), %d runs each, %u processors\n\n", rows, kValues, kIntegers,
                repeat, cores);
    std::printf("%-44s %8s %8s %7s %7s %9s %6s  %s\n", "writer", "best s", "median s", "ratio", "CPU s", "peak MiB",
                "MiB", "inexact doubles");
    const double base = results.front().seconds[results.front().seconds.size() / 2];
    for (const Result& r : results) {
        const double median = r.seconds[r.seconds.size() / 2];
        std::printf("%-44s %8.3f %8.3f %7.2f %7.3f %9.1f %6.1f  %s\n", r.name.c_str(), r.seconds.front(), median,
                    median / base, r.cpu_seconds[r.cpu_seconds.size() / 2], r.peak_mib, r.file_mib, r.inexact.c_str());
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
    return 0;
}
