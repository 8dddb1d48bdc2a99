// Checks the exporters' number and date texts against snprintf("%.15G") and
// strftime_l, byte for byte, on tens of millions of values. Too slow for the
// test suite; run it after changing either:
//
//   number_text_check                    numbers, and dates in C, C.UTF-8, POSIX, de_DE.UTF-8, en_US.UTF-8
//   number_text_check --all-locales      dates in every locale `locale -a` lists
//   number_text_check --dates nl_NL.UTF-8 ko_KR.UTF-8    dates in these locales only
//
// Locales compiled with localedef into a folder are found through LOCPATH,
// so every locale the C library ships can be checked without installing it.
//
// Prints how many values of each kind it checked and the first mismatches;
// exits with 1 when any text differs.
#include <locale.h>

#include <bit>
#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "bench/number_text/reference_text.h"
#include "export/number_text.h"
#include "export/text_forms.h"

namespace {

using namespace corvex;

constexpr std::uint64_t kShownMismatches = 20;

struct Tally {
    std::uint64_t checked = 0;
    std::uint64_t mismatches = 0;
};

Tally g_numbers;

void check_number(double value) {
    char buffer[exporting::kNumberTextCapacity];
    const std::string_view text(buffer, static_cast<std::size_t>(exporting::write_number(buffer, value) - buffer));
    const std::string expected = bench::printf_number(value, ".");
    ++g_numbers.checked;
    if (text != expected && g_numbers.mismatches++ < kShownMismatches) {
        std::printf("MISMATCH number %a (%.17g): \"%.*s\", snprintf \"%s\"\n", value, value,
                    static_cast<int>(text.size()), text.data(), expected.c_str());
    }
}

// `value` and its `steps` neighbours on either side.
void check_around(double value, int steps) {
    check_number(value);
    double up = value;
    double down = value;
    for (int i = 0; i < steps; ++i) {
        up = std::nextafter(up, HUGE_VAL);
        down = std::nextafter(down, -HUGE_VAL);
        check_number(up);
        check_number(down);
    }
}

void run_kind(const char* kind, const std::function<void()>& run) {
    const std::uint64_t before = g_numbers.checked;
    run();
    std::printf("numbers, %-48s %10" PRIu64 " checked\n", kind, g_numbers.checked - before);
}

void check_numbers(std::mt19937_64& rng) {
    static constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                              1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                              1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    const auto uniform = [&rng](std::int64_t low, std::int64_t high) {
        return std::uniform_int_distribution<std::int64_t>(low, high)(rng);
    };
    const auto random_sign = [&rng](double v) { return rng() & 1 ? -v : v; };

    run_kind("random bit patterns", [&] {
        for (int i = 0; i < 16'000'000; ++i) check_number(std::bit_cast<double>(rng()));
    });
    run_kind("decimal-looking k/10^n and k*10^n", [&] {
        for (int i = 0; i < 12'000'000; ++i) {
            const int digits = static_cast<int>(uniform(1, 17));
            const auto k = static_cast<double>(uniform(1, static_cast<std::int64_t>(kPowersOfTen[digits]) - 1));
            const double scale = kPowersOfTen[uniform(0, 22)];
            check_number(random_sign(i % 2 ? k / scale : k * scale));
        }
    });
    run_kind("15-digit halves (d.ddd...d5eX) +-2 ulps", [&] {
        char text[64];
        for (int i = 0; i < 2'000'000; ++i) {
            const std::int64_t digits = uniform(100'000'000'000'000, 999'999'999'999'999);
            std::snprintf(text, sizeof text, "%" PRId64 "5e%d", digits, static_cast<int>(uniform(-339, 292)));
            check_around(random_sign(std::strtod(text, nullptr)), 2);
        }
    });
    run_kind("floats widened to double (bits, k/10^n)", [&] {
        for (int i = 0; i < 4'000'000; ++i) {
            const auto bits = static_cast<std::uint32_t>(rng());
            check_number(static_cast<double>(std::bit_cast<float>(bits)));
            const auto k = static_cast<float>(uniform(1, 9'999'999));
            check_number(random_sign(static_cast<double>(k / static_cast<float>(kPowersOfTen[uniform(0, 10)]))));
        }
    });
    run_kind("subnormals, and around the smallest normal", [&] {
        for (int i = 0; i < 4'000'000; ++i) {
            check_number(random_sign(std::bit_cast<double>(rng() & ((std::uint64_t{1} << 52) - 1))));
        }
        check_around(DBL_MIN, 500'000);
        check_around(DBL_TRUE_MIN, 500'000);
    });
    run_kind("integers near 2^53, 10^15, 10^16, 10^17", [&] {
        for (const double center : {9007199254740992.0, 1e15, 1e16, 1e17}) {
            check_around(center, 1'000'000);
            check_around(-center, 200'000);
        }
    });
    run_kind("powers of ten +-1000 ulps, 1M ulps below DBL_MAX", [&] {
        char text[16];
        for (int p = -324; p <= 308; ++p) {
            std::snprintf(text, sizeof text, "1e%d", p);
            check_around(std::strtod(text, nullptr), 1000);
        }
        for (double v = DBL_MAX, i = 0; i < 1'000'000; ++i, v = std::nextafter(v, 0.0)) check_number(v);
    });
    run_kind("special values", [&] {
        for (const double v : {0.0, -0.0, HUGE_VAL, -HUGE_VAL, std::nan("")}) check_number(v);
    });
}

Tally check_dates(const std::string& locale, std::mt19937_64& rng) {
    setenv("LC_ALL", locale.c_str(), 1);
    const exporting::TextForms forms = exporting::TextForms::from_environment();
    const bench::StrftimeDates reference(locale);
    exporting::GeneralDateWriter writer(forms);
    Tally tally;
    std::string text;
    const auto check = [&](double log_time) {
        text.clear();
        writer.append(text, log_time);
        const std::string expected = reference.general_date(log_time, forms.decimal_separator());
        ++tally.checked;
        if (text != expected && tally.mismatches++ < kShownMismatches) {
            std::printf("MISMATCH date %s %.17g: \"%s\", strftime \"%s\"\n", locale.c_str(), log_time, text.c_str(),
                        expected.c_str());
        }
    };
    // Every second of two days, in order as an export meets them.
    for (int s = 0; s < 2 * 86400; ++s) check(45000.0 + s / 86400.0);
    // The whole calendar and beyond it, in no order.
    std::uniform_real_distribution<double> anywhere(-700'000.0, 3'000'000.0);
    for (int i = 0; i < 200'000; ++i) check(anywhere(rng));
    for (const double t : {0.0, -0.0, -0.5, -657434.0, -657435.5, 2958465.99999, 2958466.0, 1e300, std::nan(""),
                           HUGE_VAL, -HUGE_VAL}) {
        check(t);
    }
    return tally;
}

std::vector<std::string> installed_locales() {
    std::vector<std::string> names;
    if (FILE* list = popen("locale -a", "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, list)) {
            std::string name(line);
            while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
            if (!name.empty()) names.push_back(name);
        }
        pclose(list);
    }
    return names;
}

}  // namespace

int main(int argc, char** argv) {
    bool numbers = true;
    std::vector<std::string> locales = {"C", "C.UTF-8", "POSIX", "de_DE.UTF-8", "en_US.UTF-8"};
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--all-locales") {
            numbers = false;
            locales = installed_locales();
        } else if (arg == "--dates") {
            numbers = false;
            locales.assign(argv + i + 1, argv + argc);
            break;
        } else {
            std::fprintf(stderr, "usage: number_text_check [--all-locales | --dates LOCALE...]\n");
            return 2;
        }
    }

    std::mt19937_64 rng(20240301);
    bool mismatch = false;
    if (numbers) {
        check_numbers(rng);
        std::printf("numbers: %" PRIu64 " checked, %" PRIu64 " mismatches\n", g_numbers.checked, g_numbers.mismatches);
        mismatch = g_numbers.mismatches != 0;
    }
    Tally dates;
    std::size_t checked_locales = 0;
    for (const std::string& locale : locales) {
        const locale_t installed = newlocale(LC_TIME_MASK, locale.c_str(), static_cast<locale_t>(nullptr));
        if (!installed) {
            std::printf("dates, %s: not installed, skipped\n", locale.c_str());
            continue;
        }
        freelocale(installed);
        ++checked_locales;
        const Tally t = check_dates(locale, rng);
        dates.checked += t.checked;
        dates.mismatches += t.mismatches;
        if (t.mismatches) std::printf("dates, %s: %" PRIu64 " mismatches\n", locale.c_str(), t.mismatches);
    }
    std::printf("dates: %zu locales, %" PRIu64 " checked, %" PRIu64 " mismatches\n", checked_locales, dates.checked,
                dates.mismatches);
    mismatch = mismatch || dates.mismatches != 0;
    return mismatch ? 1 : 0;
}
