// Dates and numbers as the exported files show them, at their edges, under
// the C forms, under a German locale and in an unusual time zone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tests/export/export_test_support.h"
#include "export/log_time.h"
#include "export/number_text.h"
#include "export/text_forms.h"

namespace corvex::exporting {
namespace {

using testing::ScopedLocaleEnv;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

struct DateCase {
    double log_time;
    const char* text;
};

// The largest doubles below a half second (0.5 s and 1.5 s): a product
// with 86,400 rounds them up to the half, so a plain multiplication would
// show the next second.
constexpr double kJustBelowHalfSecond = 5.787037037037037e-06;
constexpr double kJustBelowOneAndAHalfSeconds = 1.736111111111111e-05;
constexpr double kOneAndAHalfSeconds = 1.7361111111111114e-05;  // the first double at or above 1.5 s

const DateCase kIsoDates[] = {
    {0.0, "00:00:00"},
    {-0.0, "00:00:00"},
    {1.0, "1899-12-31"},
    {2.0, "1900-01-01"},
    {0.5, "12:00:00"},
    {-0.5, "12:00:00"},  // the fraction of a negative value is still the time after midnight
    {-1.0, "1899-12-29"},
    {-1.25, "1899-12-29 06:00:00"},
    {45000.5, "2023-03-15 12:00:00"},
    {60.0, "1900-02-28"},
    {61.0, "1900-03-01"},
    {36585.0, "2000-02-29"},
    {45352.0 + 13.0 / 24 + 5.0 / 1440 + 7.0 / 86400, "2024-03-01 13:05:07"},
    // Rounding to the second, half up, carrying into the date.
    {kJustBelowHalfSecond, "00:00:00"},
    {kJustBelowOneAndAHalfSeconds, "00:00:01"},
    {kOneAndAHalfSeconds, "00:00:02"},
    {0.9999999, "1899-12-31"},
    {1.9999999, "1900-01-01"},
    {45000.0 + 86399.5 / 86400, "2023-03-16"},
    {45000.0 + 86399.4 / 86400, "2023-03-15 23:59:59"},
    {-0.9999999, "1899-12-31"},   // 1899-12-30 23:59:59.99 rounds into the next day
    {-1.9999999, "00:00:00"},     // 1899-12-29 23:59:59.99 rounds to the zero moment
    {-657434.5, "0100-01-01 12:00:00"},
    {2958465.99998, "9999-12-31 23:59:58"},
    // Not a calendar moment.
    {kNaN, "NaN"},
    {kInf, "Inf"},
    {-kInf, "-Inf"},
    {1e10, "10000000000"},
    {-700000.0, "-700000"},
};

TEST(GeneralDateText, IsoFormsUnderTheCLocales) {
    for (const char* locale : {"C", "C.UTF-8", "POSIX"}) {
        ScopedLocaleEnv env(locale);
        const TextForms forms = TextForms::from_environment();
        for (const DateCase& c : kIsoDates) {
            EXPECT_EQ(forms.general_date(c.log_time), c.text) << locale << " " << c.log_time;
        }
    }
}

// The short date and long time of the environment's locale.
TEST(GeneralDateText, GermanAndTwelveHourClockForms) {
    struct LocaleCases {
        const char* locale;
        std::vector<DateCase> cases;
    };
    const LocaleCases locales[] = {
        {"de_DE.UTF-8", {{45000.5, "15.03.2023 12:00:00"}, {2.0, "01.01.1900"}, {0.25, "06:00:00"}, {0.0, "00:00:00"}}},
        {"en_US.UTF-8",
         {{0.0, "12:00:00 AM"},
          {45000.25, "03/15/2023 06:00:00 AM"},
          {45000.5, "03/15/2023 12:00:00 PM"},
          {45000.0 + 13.0 / 24 + 5.0 / 1440 + 7.0 / 86400, "03/15/2023 01:05:07 PM"},
          {45000.0 + 86399.0 / 86400, "03/15/2023 11:59:59 PM"},
          {2.0, "01/01/1900"},
          {1e10, "10000000000"}}},
    };
    for (const LocaleCases& l : locales) {
        ASSERT_TRUE(testing::locale_available(l.locale)) << l.locale << " is not installed";
        ScopedLocaleEnv env(l.locale);
        for (const DateCase& c : l.cases) EXPECT_EQ(general_date_text(c.log_time), c.text) << l.locale << " " << c.log_time;
    }
}

TEST(GeneralDateText, AWriterOfManyDatesWritesEachAsAlone) {
    // The writer keeps the last day's text: changes of day in both
    // directions, and values without a date or without a calendar moment in
    // between, must not show a stale date.
    const double times[] = {45000.5, 45000.75, 45001.25, 45000.125, 0.5, kNaN, 45000.0, 1e10, -1.25, 45001.0};
    for (const char* locale : {"C.UTF-8", "de_DE.UTF-8", "en_US.UTF-8"}) {
        ASSERT_TRUE(testing::locale_available(locale)) << locale << " is not installed";
        ScopedLocaleEnv env(locale);
        const TextForms forms = TextForms::from_environment();
        GeneralDateWriter writer(forms);
        std::string line;
        std::string expected;
        for (const double t : times) {
            writer.append(line, t);
            line += ';';
            expected += forms.general_date(t) + ';';
        }
        EXPECT_EQ(line, expected) << locale;
    }
}

TEST(GeneralDateText, FollowsTheLocaleOfTheEnvironmentItRunsIn) {
    // Run once in the C locale and once with LANG=de_DE.UTF-8 (see CMakeLists.txt).
    const char* all = std::getenv("LC_ALL");
    const char* lang = std::getenv("LANG");
    const bool german = !(all && *all) && lang && std::string(lang).rfind("de_DE", 0) == 0;
    if (german) {
        ASSERT_TRUE(testing::locale_available(lang)) << lang << " is not installed";
        EXPECT_EQ(general_date_text(45000.5), "15.03.2023 12:00:00");
        EXPECT_EQ(TextForms::from_environment().number(3.25), "3,25");
    } else {
        EXPECT_EQ(TextForms::from_environment().number(3.25), "3.25");
    }
}

struct NumberCase {
    double value;
    const char* text;
};

// Written under C.UTF-8 as listed and under de_DE.UTF-8 with a decimal comma.
const NumberCase kNumbers[] = {
    {0.0, "0"},
    {-0.0, "0"},
    {1.0, "1"},
    {-2.5, "-2.5"},
    {3.25, "3.25"},
    {0.1, "0.1"},
    {-0.1, "-0.1"},
    {123456.7, "123456.7"},
    {-1234567.5, "-1234567.5"},  // never digit grouping
    {0.1 + 0.2, "0.3"},          // 17 shortest digits
    {1.0000000000000002, "1"},
    {1.0 / 3, "0.333333333333333"},
    {2.0 / 3, "0.666666666666667"},
    // 15, 16 and 17 significant digits.
    {123456789012345.0, "123456789012345"},
    {0.123456789012345, "0.123456789012345"},
    {1234567890123456.0, "1.23456789012346E+15"},
    {0.1234567890123456, "0.123456789012346"},
    {9007199254740993.0, "9.00719925474099E+15"},  // 2^53 + 1 reads as 2^53
    {123456789012345678.0, "1.23456789012346E+17"},
    // The exact value lies below the half that its 16 shortest digits show.
    {2.204889796112795, "2.20488979611279"},
    {-6.717080964823625, "-6.71708096482362"},
    // Rounding that carries into the next power of ten, across the switch
    // between fixed and exponent form.
    {99999999999999.98, "100000000000000"},
    {999999999999999.4, "999999999999999"},
    {999999999999999.5, "1E+15"},
    {9.999999999999995e-5, "0.0001"},
    {9.99999999999999e-5, "9.99999999999999E-05"},
    {100000000000000.0, "100000000000000"},
    {1e15, "1E+15"},
    {1e20, "1E+20"},
    {1e100, "1E+100"},
    {0.0001, "0.0001"},
    {1e-5, "1E-05"},
    {-1e-5, "-1E-05"},
    {1.5e-5, "1.5E-05"},
    {1.234567890123456e-05, "1.23456789012346E-05"},
    {1.5e-100, "1.5E-100"},
    {-1e-300, "-1E-300"},
    {std::numeric_limits<double>::max(), "1.79769313486232E+308"},
    {-std::numeric_limits<double>::max(), "-1.79769313486232E+308"},
    {std::numeric_limits<double>::min(), "2.2250738585072E-308"},
    // Subnormal: far fewer shortest digits than the 15 written.
    {2.225073858507201e-308, "2.2250738585072E-308"},
    {std::numeric_limits<double>::denorm_min(), "4.94065645841247E-324"},
    // Floats widened to double: the fraction is rounded, halves and whole numbers stay short.
    {static_cast<double>(0.333f), "0.333000004291534"},
    {static_cast<double>(-2.5f), "-2.5"},
    {static_cast<double>(16777216.0f), "16777216"},
    {kNaN, "NaN"},
    {kInf, "Inf"},
    {-kInf, "-Inf"},
};

TEST(NumberText, FifteenSignificantDigitsWithTheLocalesDecimalSeparator) {
    ASSERT_TRUE(testing::locale_available("de_DE.UTF-8")) << "the de_DE.UTF-8 locale is not installed";
    for (const char* locale : {"C.UTF-8", "de_DE.UTF-8"}) {
        ScopedLocaleEnv env(locale);
        const TextForms forms = TextForms::from_environment();
        const char separator = std::string_view(locale) == "C.UTF-8" ? '.' : ',';
        EXPECT_EQ(forms.decimal_separator(), std::string(1, separator));
        for (const NumberCase& c : kNumbers) {
            EXPECT_EQ(std::string_view(c.text).find_first_not_of(kNumberTextBytes), std::string_view::npos) << c.text;
            std::string text = c.text;
            std::replace(text.begin(), text.end(), '.', separator);
            EXPECT_EQ(forms.number(c.value), text) << locale << " " << c.value;
            std::string line = "x;";
            forms.append_number(line, c.value);
            EXPECT_EQ(line, "x;" + text) << locale << " " << c.value;
        }
    }
}

// The calendar shows the years 100 to 9999, the spreadsheet's dates begin on
// 1900-01-01; both edges are decided on the time rounded to the second. A
// spreadsheet serial is the same moment, without the spreadsheet's 1900-02-29.
struct CalendarEdge {
    double log_time;
    const char* text;
    std::optional<double> serial;
};

constexpr double kLastSecondOf9999 = 2958465.0 + 86399.0 / 86400;

const CalendarEdge kCalendarEdges[] = {
    {kLastSecondOf9999, "9999-12-31 23:59:59", kLastSecondOf9999},
    {2958465.0 + 86399.6 / 86400, "2958465.99999537", std::nullopt},   // 10000-01-01 00:00:00
    {2958465.999999999, "2958466", std::nullopt},
    {-657434.0, "0100-01-01", std::nullopt},
    {-657435.0 - 86399.6 / 86400, "0100-01-01", std::nullopt},   // 0099-12-31 23:59:59.6
    {-657435.0 - 86399.4 / 86400, "-657435.999993056", std::nullopt},
    {-657435.0, "-657435", std::nullopt},
    {2.0, "1900-01-01", 1.0},
    {2.0 - 0.4 / 86400, "1900-01-01", 1.0},
    {2.0 - 0.6 / 86400, "1899-12-31 23:59:59", std::nullopt},
    // Rounds to 1900-03-01, past the spreadsheet's 1900-02-29.
    {61.0 - 0.4 / 86400, "1900-03-01", 61.0 - 0.4 / 86400},
    {61.0, "1900-03-01", 61.0},
    {60.75, "1900-02-28 18:00:00", 59.75},
    {45000.5, "2023-03-15 12:00:00", 45000.5},
    {2958465.5, "9999-12-31 12:00:00", 2958465.5},
    {1.99, "1899-12-31 23:45:36", std::nullopt},
    {-0.5, "12:00:00", std::nullopt},
    {2958466.0, "2958466", std::nullopt},
    {kNaN, "NaN", std::nullopt},
    {kInf, "Inf", std::nullopt},
};

TEST(LogTime, CalendarEdgesAreDecidedAfterRounding) {
    ScopedLocaleEnv env("C.UTF-8");
    const TextForms forms = TextForms::from_environment();
    for (const CalendarEdge& c : kCalendarEdges) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(forms.general_date(c.log_time), c.text);
        EXPECT_EQ(spreadsheet_serial(c.log_time), c.serial);
    }
}

}  // namespace
}  // namespace corvex::exporting
