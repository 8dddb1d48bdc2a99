// UnitTypeInfo through its interface: every column of the telling rows, the
// fallbacks, and the Unicode forms of the catalogue's Windows-1252 texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "corvex/platform/bstr.h"
#include "logmodule/units/unit_type_info.h"
#include "allocation_counter.h"

namespace {

using corvex::platform::Bstr;
using corvex::platform::ComPtr;
using corvex::units::UnitTypeInfo;

struct Answers {
    std::int32_t id;
    std::u16string_view mode_name, short_name, name, mnemonic;
    std::int16_t width, decimals;
};

// Rows of every shape the catalogue has, with the instruments' irregular
// texts (Kelvin as "°K", water as "H2O" beside "H20", two identical rows);
// Unit always equals ShortName here.
constexpr Answers kTellingRows[] = {
    {0, u"", u"", u"", u"", 0, 0},
    {1, u"Oxygen", u"%", u"Oxygen", u"", 12, 4},
    {132, u"", u"Temp DVM", u"", u"", 12, 4},
    {137, u"Temp A", u"°C", u"Temp A °C", u"temp{0:0}[°C]", 7, 1},
    {139, u"Temp A", u"°K", u"Temp A Kelvin", u"temp{0:0}[K]", 7, 1},
    {258, u"AuxIn A", u"mA", u"mA", u"AuxA[mA]", 5, 2},
    {300, u"", u"", u"", u"AuxIn[V]", 7, 4},
    {705, u"Volume", u"m³/s", u"meters³/sec", u"vol[m3/s]", 8, 3},
    {1023, u"(+)Elapsed", u"sec", u"(+)Elapsed", u"Tot[+Time]", 9, 1},
    {1024, u"(+)Elapsed", u"sec", u"(+)Elapsed", u"Tot[+Time]", 9, 1},
    {2050, u"T Up", u"µs", u"T Up", u"diag[TUp]", 9, 2},
    {2052, u"P# Up", u"", u"P# Up", u"diag[P#Up]", 5, 0},
    {4101, u"Not Defined", u"Not Defined", u"Not Defined", u"", 12, 4},
    {7010, u"H2O", u"ppMv", u"H2O ppMv", u"hPPMv", 7, 1},
    {7194, u"Run Time", u"Hours", u"Time Remaining", u"BAT[T]", 3, 1},
    {8005, u"Test", u"Ramp Down", u"Ramp Down", u"test[rdn]", 4, 0},
};

// Identifiers the catalogue lacks, also the one past its last row and those
// that alias a row in 16 bits: the text fallbacks; Unit and Mneumonic empty, 12 and 4.
constexpr Answers kUnknown[] = {
    {9999, u"#9999", u"#9999", u"Unknown Unit (9999)", u"", 12, 4},
    {-1, u"#4294967295", u"#4294967295", u"Unknown Unit (4294967295)", u"", 12, 4},
    {INT32_MIN, u"#2147483648", u"#2147483648", u"Unknown Unit (2147483648)", u"", 12, 4},
    {65536 + 137, u"#65673", u"#65673", u"Unknown Unit (65673)", u"", 12, 4},
    {65535, u"#65535", u"#65535", u"Unknown Unit (65535)", u"", 12, 4},
    {8006, u"#8006", u"#8006", u"Unknown Unit (8006)", u"", 12, 4},
};

// Every answer of one identifier; `unit` is what Unit answers.
void expect_answers(IUnitTypeInfo& info, const Answers& want, std::u16string_view unit) {
    SCOPED_TRACE(want.id);
    auto text = [&](HRESULT (IUnitTypeInfo::*get)(std::int32_t, BSTR*)) {
        BSTR s = nullptr;
        EXPECT_EQ((info.*get)(want.id, &s), S_OK);
        return std::u16string(Bstr::attach(s).view());
    };
    auto number = [&](HRESULT (IUnitTypeInfo::*get)(std::int32_t, std::int16_t*)) {
        std::int16_t n = -99;
        EXPECT_EQ((info.*get)(want.id, &n), S_OK);
        return n;
    };
    EXPECT_EQ(text(&IUnitTypeInfo::get_ModeName), want.mode_name);
    EXPECT_EQ(text(&IUnitTypeInfo::get_ShortName), want.short_name);
    EXPECT_EQ(text(&IUnitTypeInfo::get_Unit), unit);
    EXPECT_EQ(text(&IUnitTypeInfo::get_Name), want.name);
    EXPECT_EQ(text(&IUnitTypeInfo::get_Mneumonic), want.mnemonic);
    EXPECT_EQ(number(&IUnitTypeInfo::get_Width), want.width);
    EXPECT_EQ(number(&IUnitTypeInfo::get_Decimal), want.decimals);
}

TEST(UnitTypeInfo, TellingRowsAnswerEveryColumn) {
    const ComPtr<UnitTypeInfo> info = UnitTypeInfo::make();
    for (const Answers& row : kTellingRows) expect_answers(*info, row, row.short_name);
}

TEST(UnitTypeInfo, UnknownIdentifiersAnswerTheFallbacks) {
    const ComPtr<UnitTypeInfo> info = UnitTypeInfo::make();
    for (const Answers& row : kUnknown) expect_answers(*info, row, u"");
    std::int16_t count = 0;
    EXPECT_EQ(info->get_UnitCount(&count), S_OK);
    EXPECT_EQ(count, 380);
}

TEST(UnitTypeInfo, NullOutPointersAnswerEPointer) {
    const ComPtr<UnitTypeInfo> info = UnitTypeInfo::make();
    EXPECT_EQ(info->get_Name(1, nullptr), E_POINTER);
    EXPECT_EQ(info->get_ShortName(9999, nullptr), E_POINTER);
    EXPECT_EQ(info->get_Width(1, nullptr), E_POINTER);
    EXPECT_EQ(info->get_Decimal(1, nullptr), E_POINTER);
    EXPECT_EQ(info->get_Unit(1, nullptr), E_POINTER);
    EXPECT_EQ(info->get_UnitCount(nullptr), E_POINTER);
    EXPECT_EQ(info->get_Mneumonic(1, nullptr), E_POINTER);
    EXPECT_EQ(info->get_ModeName(9999, nullptr), E_POINTER);
}

TEST(UnitTypeInfo, TextsCostOnlyTheAutomationString) {
    const ComPtr<UnitTypeInfo> info = UnitTypeInfo::make();
    const long before = allocations_so_far();
    for (std::int32_t id : {137, 705, 2050, 9999, -1}) {
        BSTR s = nullptr;
        info->get_Name(id, &s);
        SysFreeString(s);
        info->get_ShortName(id, &s);
        SysFreeString(s);
    }
    EXPECT_EQ(allocations_so_far(), before);
}

}  // namespace
