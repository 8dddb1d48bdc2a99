#include "cli/output/json_line.h"

#include <array>
#include <charconv>
#include <cmath>

namespace corvex::cli {

void JsonLine::separate() {
    if (after_key_) {
        after_key_ = false;
        return;
    }
    if (first_in_level_.empty()) return;
    if (!first_in_level_.back()) text_ += ',';
    first_in_level_.back() = false;
}

JsonLine& JsonLine::begin_object() {
    separate();
    text_ += '{';
    first_in_level_.push_back(true);
    return *this;
}

JsonLine& JsonLine::end_object() {
    text_ += '}';
    if (!first_in_level_.empty()) first_in_level_.pop_back();
    return *this;
}

JsonLine& JsonLine::begin_array() {
    separate();
    text_ += '[';
    first_in_level_.push_back(true);
    return *this;
}

JsonLine& JsonLine::end_array() {
    text_ += ']';
    if (!first_in_level_.empty()) first_in_level_.pop_back();
    return *this;
}

JsonLine& JsonLine::key(std::string_view name) {
    string(name);
    text_ += ':';
    after_key_ = true;
    return *this;
}

JsonLine& JsonLine::string(std::string_view utf8) {
    separate();
    static constexpr char kHex[] = "0123456789abcdef";
    text_ += '"';
    for (char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"': text_ += "\\\""; break;
            case '\\': text_ += "\\\\"; break;
            case '\n': text_ += "\\n"; break;
            case '\r': text_ += "\\r"; break;
            case '\t': text_ += "\\t"; break;
            case '\b': text_ += "\\b"; break;
            case '\f': text_ += "\\f"; break;
            default:
                if (byte < 0x20) {
                    text_ += "\\u00";
                    text_ += kHex[byte >> 4];
                    text_ += kHex[byte & 0xF];
                } else {
                    text_ += c;
                }
        }
    }
    text_ += '"';
    return *this;
}

JsonLine& JsonLine::integer(std::int64_t value) {
    separate();
    std::array<char, 24> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    text_.append(buffer.data(), end);
    return *this;
}

JsonLine& JsonLine::number(double value) {
    if (std::isnan(value)) return string("NaN");
    if (std::isinf(value)) return string(value > 0 ? "Inf" : "-Inf");
    separate();
    text_ += shortest_decimal(value);
    return *this;
}

JsonLine& JsonLine::null() {
    separate();
    text_ += "null";
    return *this;
}

void JsonLine::clear() {
    text_.clear();
    first_in_level_.clear();
    after_key_ = false;
}

std::string shortest_decimal(double value) {
    // 32 characters hold any double in its shortest form ("-2.2250738585072014e-308" is 24).
    std::array<char, 32> buffer{};
    auto [end, ec] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return std::string(buffer.data(), end);
}

}  // namespace corvex::cli
