#include "logmodule/formats/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "logmodule/formats/log_reader.h"

namespace corvex::formats {
namespace {

// Bytes written out by hand; 1.5 is 0x3FF8000000000000, -2.25f is 0xC0100000.
const std::uint8_t kBigOnePointFive[] = {0x3F, 0xF8, 0, 0, 0, 0, 0, 0};
const std::uint8_t kLittleOnePointFive[] = {0, 0, 0, 0, 0, 0, 0xF8, 0x3F};

TEST(ByteOrder, DecodesFieldsWrittenByHand) {
    const std::uint8_t word[] = {0x12, 0x34};
    EXPECT_EQ(load_u16_be(word), 0x1234);
    EXPECT_EQ(load_u16_le(word), 0x3412);
    const std::uint8_t negative[] = {0xFF, 0xFE};
    EXPECT_EQ(load_i16_be(negative), -2);
    EXPECT_EQ(load_i16_le(negative), -257);
    const std::uint8_t quad[] = {0x01, 0x02, 0x03, 0x04};
    EXPECT_EQ(load_u32_be(quad), 0x01020304u);
    const std::uint8_t octet[] = {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08};
    EXPECT_EQ(load_u64_be(octet), 0x0102030405060708ull);
    EXPECT_EQ(load_u64_le(octet), 0x0807060504030201ull);
    EXPECT_EQ(load_f64_be(kBigOnePointFive), 1.5);
    EXPECT_EQ(load_f64_le(kLittleOnePointFive), 1.5);
}

struct WidthCase {
    friend void PrintTo(const WidthCase& c, std::ostream* os) { *os << "type code " << int{c.type_code}; }
    std::uint8_t type_code;
    std::vector<std::uint8_t> big_endian;
    int width;
    double value;
};

class PackedValues : public ::testing::TestWithParam<WidthCase> {};

// The big-endian bytes turn into the machine-order packed value, and the
// packed value widens to the expected double.
TEST_P(PackedValues, DecodeAndWiden) {
    const WidthCase& c = GetParam();
    const ValueEncoding encoding = meter_value_encoding(c.type_code);
    EXPECT_EQ(encoded_width(encoding), c.width);
    std::uint8_t packed[8] = {};
    big_endian_to_machine(c.big_endian.data(), packed, c.width);
    EXPECT_EQ(widen(encoding, packed), c.value);
}

INSTANTIATE_TEST_SUITE_P(
    TypeCodes, PackedValues,
    ::testing::Values(WidthCase{2, {0xFF, 0x85}, 2, -123.0},                     // signed 16-bit
                      WidthCase{3, {0xFF, 0xFE, 0x1D, 0xC0}, 4, -123456.0},      // signed 32-bit
                      WidthCase{4, {0xC0, 0x10, 0x00, 0x00}, 4, -2.25},          // single float
                      WidthCase{0, {0x3F, 0xC0, 0x00, 0x00}, 4, 1.5},            // unknown: float
                      WidthCase{200, {0x42, 0xF6, 0xE9, 0x79}, 4, 123.456001281738281},
                      WidthCase{5, {0x3F, 0xF8, 0, 0, 0, 0, 0, 0}, 8, 1.5}));  // double

TEST(MeterHeader, ActiveChannelsStopAtTheFirstUnusedDescriptor) {
    MeterHeader h;
    EXPECT_EQ(h.active_channels(), 0);
    h.descriptors[0].unit_type = 577;
    h.descriptors[1].unit_type = 711;
    h.descriptors[3].unit_type = 961;
    EXPECT_EQ(h.active_channels(), 2);
    for (auto& d : h.descriptors) d.unit_type = -1;
    EXPECT_EQ(h.active_channels(), 12);
}

}  // namespace
}  // namespace corvex::formats
