// One JSON object or array at a time, for output in the JSON Lines format.
//
// The writer keeps track of commas and escapes strings; callers nest objects
// and arrays in the order they want them and take the text when the line is
// complete. Numbers are written in the shortest form that reads back to the
// same double, independent of the process's locale.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::cli {

class JsonLine {
public:
    JsonLine& begin_object();
    JsonLine& end_object();
    JsonLine& begin_array();
    JsonLine& end_array();
    // The name of the next member of the current object.
    JsonLine& key(std::string_view name);

    // `utf8` must be UTF-8 text; control characters are escaped.
    JsonLine& string(std::string_view utf8);
    JsonLine& integer(std::int64_t value);
    // NaN and the infinities have no JSON number form: they become the strings
    // "NaN", "Inf" and "-Inf".
    JsonLine& number(double value);
    JsonLine& null();

    const std::string& text() const { return text_; }
    // Starts a new line, keeping the buffer's capacity.
    void clear();

private:
    void separate();

    std::string text_;
    std::vector<bool> first_in_level_;  // one entry per open object or array
    bool after_key_ = false;
};

// The shortest decimal text that reads back as exactly `value` ("0.1", "1e+20", "-0").
// Only finite values.
std::string shortest_decimal(double value);

}  // namespace corvex::cli
