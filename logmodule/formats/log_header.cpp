#include "logmodule/formats/log_header.h"

#include <cstring>

namespace corvex::formats {

int encoded_width(ValueEncoding encoding) {
    switch (encoding) {
    case ValueEncoding::Int16:
        return 2;
    case ValueEncoding::Int32:
    case ValueEncoding::Float:
        return 4;
    case ValueEncoding::Double:
        break;
    }
    return 8;
}

namespace {
template <class T>
double widened(const void* packed) {
    T v{};
    std::memcpy(&v, packed, sizeof v);
    return static_cast<double>(v);
}
}  // namespace

double widen(ValueEncoding encoding, const void* packed) {
    switch (encoding) {
    case ValueEncoding::Int16:
        return widened<std::int16_t>(packed);
    case ValueEncoding::Int32:
        return widened<std::int32_t>(packed);
    case ValueEncoding::Float:
        return widened<float>(packed);
    case ValueEncoding::Double:
        break;
    }
    return widened<double>(packed);
}

}  // namespace corvex::formats
