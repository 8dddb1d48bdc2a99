// A streaming check that a document is well-formed XML.
//
// Fed the document in pieces of any size, it keeps only the names of the open
// elements, so memory does not grow with the document. It checks what a
// truncated, spliced or partly lost document breaks: the XML declaration at
// the very start, names, attribute syntax and quoting, entity and character
// references, comments, CDATA sections and processing instructions, that every
// end tag closes the innermost open element, exactly one root element, and
// nothing but blanks, comments and processing instructions after it. It does
// not read a DTD (a document type declaration is refused), nor check that
// attribute names are unique or the text is valid UTF-8.
//
// One attribute of one element can be watched: its value is handed over at
// the end of each start tag of that element, in document order.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace corvex::exporting {

class XmlCheck {
public:
    // Answers an empty text to go on, otherwise what is wrong with the value
    // (nullopt: the tag has no such attribute).
    using WatchFn = std::function<std::string(std::optional<std::string_view> value)>;

    XmlCheck();
    XmlCheck(std::string_view element, std::string_view attribute, WatchFn watch);

    // Checks the next piece of the document; false once it is known to be
    // broken (problem() says why and where).
    bool feed(std::string_view piece);
    // After the last piece: whether the document is complete and well-formed.
    bool finish();

    const std::string& problem() const { return problem_; }

private:
    enum class State : std::uint8_t;

    bool fail(const std::string& what, std::size_t at);
    bool open_element(bool empty, std::size_t at, State& state);
    bool end_start_tag(unsigned char c, std::size_t at, State& state, const char* fault);
    State close_element();
    State outside_markup() const;

    State state_;
    State next_;   // where a reference or a literal leads
    std::uint64_t offset_ = 0;   // of the piece being checked, in the document
    std::string problem_;

    // The names of the open elements, one after the other.
    std::string names_;
    std::vector<std::uint32_t> starts_;
    std::size_t end_match_ = 0;   // characters of an end tag's name matched so far
    bool root_closed_ = false;

    std::string token_;   // a literal being matched, a reference or a PI target
    std::size_t matched_ = 0;
    char quote_ = '"';
    int run_ = 0;   // dashes before the end of a comment, brackets before that of CDATA

    // The watch.
    std::string watched_element_, watched_attribute_;
    WatchFn watch_;
    bool in_watched_ = false;        // the start tag being read is of the watched element
    bool reading_watched_ = false;   // its value is that of the watched attribute
    std::string attribute_;          // the name of an attribute of the watched element
    std::optional<std::string> watched_value_;
};

}  // namespace corvex::exporting
