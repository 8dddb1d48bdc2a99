// UnitTypeInfo through its interface: every column of the telling rows, the
// fallbacks, and the Unicode forms of the catalogue's Windows-1252 texts.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "corvex/platform/bstr.h"
#include "corvex/platform/variant.h"
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

// Rows that show every shape the catalogue has; Unit always equals ShortName here.
constexpr Answers kTellingRows[] = {
    {0, u"", u"", u"", u"", 0, 0},
    {1, u"Oxygen", u"%", u"Oxygen", u"", 12, 4},
    {5, u"Oxygen DVM", u"VDC", u"Oxygen DVM", u"", 12, 4},
    {132, u"", u"Temp DVM", u"", u"", 12, 4},
    {137, u"Temp A", u"°C", u"Temp A °C", u"temp{0:0}[°C]", 7, 1},
    {139, u"Temp A", u"°K", u"Temp A Kelvin", u"temp{0:0}[K]", 7, 1},
    {145, u"Delta", u"°C", u"Delta °C", u"temp[°C]", 7, 1},
    {148, u"Delta", u"°R", u"Delta Rankine", u"temp[R]", 7, 1},
    {257, u"AuxIn A", u"VDC", u"VDC", u"AuxA[V]", 7, 4},
    {258, u"AuxIn A", u"mA", u"mA", u"AuxA[mA]", 5, 2},
    {259, u"AuxIn A", u"Units", u"Units", u"AuxA[u]", 7, 2},
    {300, u"", u"", u"", u"AuxIn[V]", 7, 4},
    {305, u"", u"", u"", u"AuxIn[RTD_C]", 7, 4},
    {385, u"", u"", u"", u"User[1]", 6, 2},
    {577, u"Velocity", u"m/s", u"m/s", u"vel[m/s]", 7, 2},
    {578, u"Velocity", u"ft/s", u"ft/s", u"vel[ft/s]", 7, 2},
    {705, u"Volume", u"m³/s", u"meters³/sec", u"vol[m3/s]", 8, 3},
    {716, u"Volume", u"Mm³/d", u"Mmeters³/day", u"vol[Mm3/d]", 8, 4},
    {769, u"Volume", u"S m³/s", u"Std meters³/sec", u"SVol[m3/s]", 8, 3},
    {788, u"Volume", u"S Mft³/d", u"Std Mfeet³/day", u"SVol[Mft3/h]", 10, 2},
    {961, u"(+)Total", u"m³", u"Fwd m³", u"Tot[+m3]", 9, 3},
    {1023, u"(+)Elapsed", u"sec", u"(+)Elapsed", u"Tot[+Time]", 9, 1},
    {1024, u"(+)Elapsed", u"sec", u"(+)Elapsed", u"Tot[+Time]", 9, 1},
    {1089, u"(+)STD Tot", u"SCM", u"Fwd STD m³", u"STot[+SCM]", 9, 3},
    {1473, u"Composite", u"COMPST", u"Composite", u"", 12, 4},
    {1985, u"Power", u"kCal/s", u"kCal/s", u"Pwr[kCal/s]", 9, 2},
    {1995, u"Power", u"Tons", u"Tons Refrig", u"Pwr[Tons]", 9, 2},
    {1996, u"delta H", u"J/g", u"dH J/g", u"dH[J/g]", 9, 2},
    {1999, u"Fwd Energy", u"kWh", u"Fwd kWh", u"Eng[+kWh]", 9, 1},
    {2049, u"Delta-T", u"ns", u"Delta-T", u"diag[dT]", 9, 2},
    {2050, u"T Up", u"µs", u"T Up", u"diag[TUp]", 9, 2},
    {2052, u"P# Up", u"", u"P# Up", u"diag[P#Up]", 5, 0},
    {2068, u"Reynolds #", u"", u"Reynolds #", u"diag[Re#]", 9, 0},
    {2069, u"kRe", u"", u"kRe", u"diag[KRe]", 7, 4},
    {2113, u"TUM", u"usecs", u"Upstream Meas.", u"TUM[sm]", 9, 2},
    {2166, u"FFT Up", u"", u"FFT Up", u"", 6, 0},
    {2176, u"Thickness", u"mm", u"millimeters", u"", 7, 2},
    {2177, u"Thickness", u"in", u"inches", u"", 7, 3},
    {4097, u"Raw Up", u"", u"Raw Up", u"", 6, 0},
    {4101, u"Not Defined", u"Not Defined", u"Not Defined", u"", 12, 4},
    {5121, u"Signal", u"", u"Signal", u"", 6, 0},
    {6000, u"Pressure", u"PSIA", u"PSIA", u"pre[PSIA]", 7, 2},
    {7000, u"Hygro DVM", u"VDC", u"Hygro DVM", u"hDVM[Prb]", 7, 4},
    {7006, u"Dew Point", u"°C", u"Dew Point/°C", u"hDP[C]", 7, 1},
    {7065, u"Temp", u"°C", u"Temp C", u"temp[°C]", 7, 1},
    {7128, u"Press DVM", u"VDC", u"Press DVM", u"DVM[V]", 7, 4},
    {7192, u"Battery", u"VDC", u"Voltage", u"BAT[V]", 5, 2},
    {7194, u"Run Time", u"Hours", u"Time Remaining", u"BAT[T]", 3, 1},
    {8000, u"Test", u"Random", u"Random", u"test[rnd]", 4, 0},
    {8005, u"Test", u"Ramp Down", u"Ramp Down", u"test[rdn]", 4, 0},
};

// Identifiers the catalogue lacks: the text fallbacks; Unit and Mneumonic empty, 12 and 4.
constexpr Answers kUnknown[] = {
    {9999, u"#9999", u"#9999", u"Unknown Unit (9999)", u"", 12, 4},
    {-1, u"#4294967295", u"#4294967295", u"Unknown Unit (4294967295)", u"", 12, 4},
    {65536 + 137, u"#65673", u"#65673", u"Unknown Unit (65673)", u"", 12, 4},
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

TEST(UnitTypeInfo, LateBoundCallsReachTheCatalogue) {
    const ComPtr<UnitTypeInfo> info = UnitTypeInfo::make();
    std::u16string name = u"shortname";
    LPOLESTR names[] = {name.data()};
    DISPID id = 0;
    ASSERT_EQ(info->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, 2);

    VARIANT arg;
    VariantInit(&arg);
    arg.vt = VT_I4;
    arg.lVal = 2050;
    DISPPARAMS params{};
    params.rgvarg = &arg;
    params.cArgs = 1;
    corvex::platform::Variant result;
    ASSERT_EQ(info->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &params, result.put(), nullptr, nullptr), S_OK);
    ASSERT_EQ(result.get()->vt, VT_BSTR);
    EXPECT_EQ(corvex::platform::bstr_view(result.get()->bstrVal), u"µs");
}

}  // namespace
