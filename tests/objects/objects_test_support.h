// Helpers for the object-model tests: logs written by the test log writer into a
// temporary folder, and plain snapshots of what the published interfaces answer.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "corvex/corvex.h"
#include "corvex/platform/bstr.h"
#include "corvex/platform/com_ptr.h"
#include "corvex/platform/module.h"
#include "tests/support/log_file.h"

namespace corvex::objects::testing {

using platform::ComPtr;
namespace lw = corvex::logwriter;

// What one LogUnit answers.
struct UnitSeen {
    VARTYPE vt = VT_EMPTY;
    double value = 0;
    std::int16_t error = 0;
    double time = 0;
    std::int32_t unit_type = 0;
    std::int16_t input = 0;
    std::int16_t channel = 0;
    bool operator==(const UnitSeen&) const = default;
};

// What one LogItem answers.
struct ItemSeen {
    std::int16_t unit_type = 0, input = 0, channel = 0;
    std::u16string computer, label, symbol;
    std::int16_t comport = 0, node_id = 0, width = 0, decimal = 0;
    bool operator==(const ItemSeen&) const = default;
};

UnitSeen read_unit(ILogUnit* unit);
// The record's units, read through Count and Item.
std::vector<UnitSeen> read_record(ILogRecord* record);
ItemSeen read_item(ILogItem* item);
// The units of the record GetNextRecord gives; no value when it gives none.
std::optional<std::vector<UnitSeen>> next_units(ILog* log);
// The enumerator the object's _NewEnum hands out.
template <class T>
ComPtr<IEnumVARIANT> enumerator_of(T* object) {
    ComPtr<IUnknown> unknown;
    EXPECT_EQ(object->get__NewEnum(unknown.put()), S_OK);
    return unknown.query<IEnumVARIANT>();
}
// The interface of an enumerated VT_DISPATCH element; the variant is cleared.
template <class I>
ComPtr<I> take_element(VARIANT& v) {
    EXPECT_EQ(v.vt, VT_DISPATCH);
    ComPtr<I> r;
    if (v.vt == VT_DISPATCH && v.pdispVal) v.pdispVal->QueryInterface(platform::InterfaceId<I>::value, r.put_void());
    VariantClear(&v);
    return r;
}

ComPtr<ILog> new_log();
// Open's pRet; the status must be S_OK.
std::int32_t open(ILog* log, const std::filesystem::path& path);

// A fresh scratch folder for each test, and a check that every object the
// test made is gone by its end.
class ObjectsTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    std::filesystem::path write(const std::string& name, const lw::LogDescription& desc) {
        return corvex::testing::write_log(dir_, name, desc);
    }
    std::filesystem::path write_bytes(const std::string& name, const std::string& bytes) { return dir_.write(name, bytes); }

    corvex::testing::ScratchDir dir_;
    std::int64_t objects_at_start_ = 0;
};

// Log descriptions used by several tests: `records` records, the value of channel k in
// record r is r * 10 + k + 0.5 (exact at every width used), the time 40000 + r.
lw::LogDescription pc_desc(int records);
lw::LogDescription meter_desc(lw::Format format, std::int32_t header_offset, std::uint8_t type_code, int records);
double value_of(int record, int channel);
lw::Channel meter_channel(std::int16_t channel, std::int16_t unit_type, std::int16_t input);

}  // namespace corvex::objects::testing
