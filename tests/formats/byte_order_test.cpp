#include "logmodule/formats/byte_order.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace corvex::formats {
namespace {

// Bytes written out by hand; 1.5 is 0x3FF8000000000000. Packed meter values
// are checked by reading logs (open_log_test.cpp and the object tests).
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

}  // namespace
}  // namespace corvex::formats
