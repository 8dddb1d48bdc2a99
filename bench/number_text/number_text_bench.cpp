// Number and date text of the exporters against snprintf and strftime_l per
// value (the reference in reference_text.h): values per second.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/number_text/reference_text.h"
#include "export/text_forms.h"

namespace {

using namespace corvex;

constexpr int kValues = 1 << 16;

// 0: logged-looking values (r * 0.001 + c * 1.25, as export_bench writes);
// 1: short decimals k / 100; 2: uniform doubles in (-1e6, 1e6), which mostly
// need 16 or 17 digits to read back.
const std::vector<double>& values(std::int64_t set) {
    static const std::vector<std::vector<double>> sets = [] {
        std::vector<std::vector<double>> s(3);
        std::mt19937_64 rng(7);
        std::uniform_real_distribution<double> wide(-1e6, 1e6);
        for (int i = 0; i < kValues; ++i) {
            s[0].push_back(i * 0.001 + (i % 12) * 1.25);
            s[1].push_back(static_cast<double>(rng() % 10'000'000) / 100);
            s[2].push_back(wide(rng));
        }
        return s;
    }();
    return sets[static_cast<std::size_t>(set)];
}

const char* const kLocales[] = {"C.UTF-8", "de_DE.UTF-8", "en_US.UTF-8"};

void use_locale(benchmark::State& state, std::int64_t index) {
    const char* name = kLocales[index];
    setenv("LC_ALL", name, 1);
    state.SetLabel(name);
}

void BM_NumberPrintf(benchmark::State& state) {
    const std::vector<double>& v = values(state.range(0));
    const exporting::TextForms forms = exporting::TextForms::from_environment();
    for (auto _ : state) {
        for (const double x : v) benchmark::DoNotOptimize(bench::printf_number(x, forms.decimal_separator()));
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

void BM_NumberAppend(benchmark::State& state) {
    const std::vector<double>& v = values(state.range(0));
    const exporting::TextForms forms = exporting::TextForms::from_environment();
    std::string line;
    for (auto _ : state) {
        for (const double x : v) {
            line.clear();
            forms.append_number(line, x);
            benchmark::DoNotOptimize(line.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

// One record a second from 2023-03-15 on.
std::vector<double> record_times() {
    std::vector<double> t;
    for (int i = 0; i < kValues; ++i) t.push_back(45000.0 + i / 86400.0);
    return t;
}

void BM_DateStrftime(benchmark::State& state) {
    use_locale(state, state.range(0));
    const exporting::TextForms forms = exporting::TextForms::from_environment();
    const bench::StrftimeDates dates(kLocales[state.range(0)]);
    const std::vector<double> times = record_times();
    for (auto _ : state) {
        for (const double t : times) benchmark::DoNotOptimize(dates.general_date(t, forms.decimal_separator()));
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

void BM_DateWriter(benchmark::State& state) {
    use_locale(state, state.range(0));
    const exporting::TextForms forms = exporting::TextForms::from_environment();
    exporting::GeneralDateWriter dates(forms);
    const std::vector<double> times = record_times();
    std::string line;
    for (auto _ : state) {
        for (const double t : times) {
            line.clear();
            dates.append(line, t);
            benchmark::DoNotOptimize(line.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}

BENCHMARK(BM_NumberPrintf)->DenseRange(0, 2);
BENCHMARK(BM_NumberAppend)->DenseRange(0, 2);
BENCHMARK(BM_DateStrftime)->DenseRange(0, 2);
BENCHMARK(BM_DateWriter)->DenseRange(0, 2);

}  // namespace

BENCHMARK_MAIN();
