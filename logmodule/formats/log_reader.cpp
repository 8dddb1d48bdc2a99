#include "logmodule/formats/log_reader.h"

#include <cstring>

namespace corvex::formats {

int MeterHeader::active_channels() const {
    int n = 0;
    while (n < kChannelSlots && descriptors[static_cast<std::size_t>(n)].unit_type != 0) ++n;
    return n;
}

int value_width(std::uint8_t type_code) {
    switch (type_code) {
    case 2:
        return 2;
    case 5:
        return 8;
    default:
        return 4;  // 3, 4 and every unknown code
    }
}

double widen_value(std::uint8_t type_code, const void* packed) {
    switch (type_code) {
    case 2: {
        std::int16_t v = 0;
        std::memcpy(&v, packed, sizeof v);
        return v;
    }
    case 3: {
        std::int32_t v = 0;
        std::memcpy(&v, packed, sizeof v);
        return v;
    }
    case 5: {
        double v = 0;
        std::memcpy(&v, packed, sizeof v);
        return v;
    }
    default: {
        float v = 0;
        std::memcpy(&v, packed, sizeof v);
        return static_cast<double>(v);
    }
    }
}

}  // namespace corvex::formats
