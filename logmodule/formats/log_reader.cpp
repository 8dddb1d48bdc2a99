#include "logmodule/formats/log_reader.h"

namespace corvex::formats {

int MeterHeader::active_channels() const {
    int n = 0;
    while (n < kChannelSlots && descriptors[static_cast<std::size_t>(n)].unit_type != 0) ++n;
    return n;
}

ValueEncoding meter_value_encoding(std::uint8_t type_code) {
    switch (type_code) {
    case 2:
        return ValueEncoding::Int16;
    case 3:
        return ValueEncoding::Int32;
    case 5:
        return ValueEncoding::Double;
    default:
        return ValueEncoding::Float;  // 4 and every unknown code
    }
}

}  // namespace corvex::formats
