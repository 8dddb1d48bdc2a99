#include "export/xml_check.h"

#include <array>
#include <utility>

namespace corvex::exporting {

namespace {

// Limits that keep the check in constant memory; a workbook part stays far
// below them.
constexpr std::size_t kMaxDepth = 256;
constexpr std::size_t kMaxName = 256;
constexpr std::size_t kMaxReference = 12;
constexpr std::size_t kMaxWatchedValue = 64;

enum : std::uint8_t {
    kBlank = 1,       // space, tab, line feed, carriage return
    kNameStart = 2,   // letters, '_', ':', and every byte of a multi-byte UTF-8 character
    kName = 4,        // those, digits, '-' and '.'
    kText = 8,        // character data that needs no look: not '<', '&' or a control character
    kValue = 16,      // the same inside an attribute value, quotes aside
};

constexpr std::array<std::uint8_t, 256> make_classes() {
    std::array<std::uint8_t, 256> classes{};
    for (int c = 0; c < 256; ++c) {
        std::uint8_t k = 0;
        const bool blank = c == ' ' || c == '\t' || c == '\n' || c == '\r';
        const bool control = c < 0x20 && !blank;
        if (blank) k |= kBlank;
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || c >= 0x80) {
            k |= kNameStart | kName;
        }
        if ((c >= '0' && c <= '9') || c == '-' || c == '.') k |= kName;
        if (!control && c != '<' && c != '&') k |= kText;
        if (!control && c != '<' && c != '&' && c != '"' && c != '\'') k |= kValue;
        classes[static_cast<std::size_t>(c)] = k;
    }
    return classes;
}
constexpr std::array<std::uint8_t, 256> kClasses = make_classes();

bool is(unsigned char c, std::uint8_t kind) { return (kClasses[c] & kind) != 0; }

bool is_reference(std::string_view r) {
    if (r == "amp" || r == "lt" || r == "gt" || r == "quot" || r == "apos") return true;
    if (r.size() < 2 || r[0] != '#') return false;
    const bool hex = r[1] == 'x';
    const std::string_view digits = r.substr(hex ? 2 : 1);
    if (digits.empty()) return false;
    for (const char d : digits) {
        const bool decimal = d >= '0' && d <= '9';
        const bool letter = (d >= 'a' && d <= 'f') || (d >= 'A' && d <= 'F');
        if (!decimal && !(hex && letter)) return false;
    }
    return true;
}

bool names_xml(std::string_view target) {
    return target.size() == 3 && (target[0] | 0x20) == 'x' && (target[1] | 0x20) == 'm' && (target[2] | 0x20) == 'l';
}

}  // namespace

enum class XmlCheck::State : std::uint8_t {
    Declaration,     // matching "<?xml" at the start
    DeclarationEnd,  // a blank after it, then the rest as a processing instruction
    Misc,            // outside the root element: blanks, comments, processing instructions
    MiscOpen,        // after '<' outside the root
    Content,         // character data inside the root
    ContentOpen,     // after '<' inside the root
    Reference,       // after '&'
    Bang,            // after "<!"
    Literal,         // matching the rest of "<!--" or "<![CDATA["
    Comment,
    CData,
    PiTarget,
    PiBody,
    StartName,
    InTag,
    AttributeName,
    AfterAttributeName,
    BeforeValue,
    Value,
    AfterValue,
    EmptyTagEnd,     // after '/' in a start tag
    EndName,
    AfterEndName,
};

XmlCheck::XmlCheck() : state_(State::Declaration), next_(State::Content) {}

XmlCheck::XmlCheck(std::string_view element, std::string_view attribute, WatchFn watch) : XmlCheck() {
    watched_element_ = element;
    watched_attribute_ = attribute;
    watch_ = std::move(watch);
}

bool XmlCheck::fail(const std::string& what, std::size_t at) {
    if (problem_.empty()) problem_ = what + " (byte " + std::to_string(offset_ + at) + ")";
    return false;
}

XmlCheck::State XmlCheck::outside_markup() const { return starts_.empty() ? State::Misc : State::Content; }

// Where a start tag may end: '>' opens the element, '/' must be followed by
// '>'; any other character is the fault named.
bool XmlCheck::end_start_tag(unsigned char c, std::size_t at, State& state, const char* fault) {
    if (c == '>') return open_element(false, at, state);
    if (c == '/') {
        state = State::EmptyTagEnd;
        return true;
    }
    return fail(fault, at);
}

bool XmlCheck::open_element(bool empty, std::size_t at, State& state) {
    if (in_watched_) {
        in_watched_ = false;
        std::string complaint = watch_(watched_value_ ? std::optional<std::string_view>(*watched_value_) : std::nullopt);
        if (!complaint.empty()) return fail(complaint, at);
    }
    state = empty ? close_element() : State::Content;
    return true;
}

XmlCheck::State XmlCheck::close_element() {
    names_.resize(starts_.back());
    starts_.pop_back();
    if (starts_.empty()) root_closed_ = true;
    return outside_markup();
}

bool XmlCheck::feed(std::string_view piece) {
    if (!problem_.empty()) return false;
    const auto* const p = reinterpret_cast<const unsigned char*>(piece.data());
    const std::size_t n = piece.size();
    State state = state_;   // kept in a register: the bytes written below could alias a member
    for (std::size_t i = 0; i < n; ++i) {
        unsigned char c = p[i];
        switch (state) {
        case State::Content:
            // Character data is the bulk of a document: skip it in one run.
            while (is(c, kText)) {
                if (++i == n) break;
                c = p[i];
            }
            if (i == n) break;
            if (c == '<') {
                state = State::ContentOpen;
            } else if (c == '&') {
                token_.clear();
                next_ = State::Content;
                state = State::Reference;
            } else {
                return fail("a control character in the text", i);
            }
            break;

        case State::Declaration:
            if (c != "<?xml"[matched_]) return fail("the document does not start with an XML declaration", i);
            if (++matched_ == 5) state = State::DeclarationEnd;
            break;
        case State::DeclarationEnd:
            if (!is(c, kBlank)) return fail("the document does not start with an XML declaration", i);
            run_ = 0;
            state = State::PiBody;
            break;

        case State::Misc:
            if (is(c, kBlank)) break;
            if (c != '<') return fail("text outside the root element", i);
            state = State::MiscOpen;
            break;
        case State::MiscOpen:
        case State::ContentOpen:
            if (is(c, kNameStart)) {
                if (state == State::MiscOpen && root_closed_) return fail("a second root element", i);
                if (starts_.size() == kMaxDepth) return fail("elements nested too deeply", i);
                starts_.push_back(static_cast<std::uint32_t>(names_.size()));
                names_.push_back(static_cast<char>(c));
                state = State::StartName;
            } else if (c == '/' && state == State::ContentOpen) {
                end_match_ = 0;
                state = State::EndName;
            } else if (c == '?') {
                token_.clear();
                state = State::PiTarget;
            } else if (c == '!') {
                state = State::Bang;
            } else {
                return fail(c == '/' ? "an end tag outside the root element" : "a '<' that starts no markup", i);
            }
            break;

        case State::Reference:
            if (c == ';') {
                if (!is_reference(token_)) return fail("an unknown reference '&" + token_ + ";'", i);
                state = next_;
            } else if (token_.size() == kMaxReference || !(is(c, kName) || c == '#')) {
                return fail("a '&' that starts no reference", i);
            } else {
                token_.push_back(static_cast<char>(c));
            }
            break;

        case State::Bang:
            if (c == '-') {
                token_ = "-";
                next_ = State::Comment;
            } else if (c == '[' && !starts_.empty()) {
                token_ = "CDATA[";
                next_ = State::CData;
            } else {
                return fail("a document type declaration or unknown markup", i);
            }
            matched_ = 0;
            run_ = 0;
            state = State::Literal;
            break;
        case State::Literal:
            if (c != static_cast<unsigned char>(token_[matched_])) return fail("unknown markup after '<!'", i);
            if (++matched_ == token_.size()) state = next_;
            break;
        case State::Comment:
            if (c == '-') {
                if (run_ == 2) return fail("'--' inside a comment", i);
                ++run_;
            } else if (c == '>' && run_ == 2) {
                state = outside_markup();
            } else if (run_ == 2) {
                return fail("'--' inside a comment", i);
            } else if (!is(c, kText) && c != '<' && c != '&') {
                return fail("a control character in a comment", i);
            } else {
                run_ = 0;
            }
            break;
        case State::CData:
            if (c == ']') {
                if (run_ < 2) ++run_;
            } else if (c == '>' && run_ == 2) {
                state = State::Content;
            } else if (!is(c, kText) && c != '<' && c != '&') {
                return fail("a control character in a CDATA section", i);
            } else {
                run_ = 0;
            }
            break;

        case State::PiTarget:
            if (is(c, kName) && (!token_.empty() || is(c, kNameStart)) && token_.size() < kMaxName) {
                token_.push_back(static_cast<char>(c));
                break;
            }
            if (token_.empty()) return fail("a processing instruction without a target", i);
            if (names_xml(token_)) return fail("an XML declaration inside the document", i);
            if (is(c, kBlank)) {
                run_ = 0;
                state = State::PiBody;
            } else if (c == '?') {
                run_ = 1;
                state = State::PiBody;
            } else {
                return fail("a bad character in a processing instruction's target", i);
            }
            break;
        case State::PiBody:
            if (c == '>' && run_ == 1) {
                state = outside_markup();
            } else if (!is(c, kText) && c != '<' && c != '&') {
                return fail("a control character in a processing instruction", i);
            } else {
                run_ = c == '?' ? 1 : 0;
            }
            break;

        case State::StartName:
            while (is(c, kName)) {
                if (names_.size() - starts_.back() == kMaxName) return fail("an overlong element name", i);
                names_.push_back(static_cast<char>(c));
                if (++i == n) break;
                c = p[i];
            }
            if (i == n) break;
            in_watched_ = watch_ && std::string_view(names_).substr(starts_.back()) == watched_element_;
            if (in_watched_) watched_value_.reset();
            if (is(c, kBlank)) {
                state = State::InTag;
            } else if (!end_start_tag(c, i, state, "a bad character in an element name")) {
                return false;
            }
            break;
        case State::InTag:
            if (is(c, kBlank)) break;
            if (is(c, kNameStart)) {
                if (in_watched_) attribute_.assign(1, static_cast<char>(c));
                state = State::AttributeName;
            } else if (!end_start_tag(c, i, state, "a bad character in a start tag")) {
                return false;
            }
            break;
        case State::AttributeName:
            while (is(c, kName)) {
                if (in_watched_ && attribute_.size() < kMaxName) attribute_.push_back(static_cast<char>(c));
                if (++i == n) break;
                c = p[i];
            }
            if (i == n) break;
            if (is(c, kBlank)) {
                state = State::AfterAttributeName;
            } else if (c == '=') {
                state = State::BeforeValue;
            } else {
                return fail(c == '>' || c == '/' ? "an attribute without a value" : "a bad character in an attribute name", i);
            }
            break;
        case State::AfterAttributeName:
            if (is(c, kBlank)) break;
            if (c != '=') return fail("an attribute without a value", i);
            state = State::BeforeValue;
            break;
        case State::BeforeValue:
            if (is(c, kBlank)) break;
            if (c != '"' && c != '\'') return fail("an attribute value without quotes", i);
            quote_ = static_cast<char>(c);
            reading_watched_ = in_watched_ && attribute_ == watched_attribute_;
            if (reading_watched_) watched_value_.emplace();
            state = State::Value;
            break;
        case State::Value:
            while (is(c, kValue)) {
                if (reading_watched_) {
                    if (watched_value_->size() == kMaxWatchedValue) return fail("an overlong watched value", i);
                    watched_value_->push_back(static_cast<char>(c));
                }
                if (++i == n) break;
                c = p[i];
            }
            if (i == n) break;
            if (c == static_cast<unsigned char>(quote_)) {
                reading_watched_ = false;
                state = State::AfterValue;
            } else if (c == '"' || c == '\'') {
                if (reading_watched_) watched_value_->push_back(static_cast<char>(c));
            } else if (c == '&') {
                token_.clear();
                next_ = State::Value;
                state = State::Reference;
            } else {
                return fail(c == '<' ? "a '<' in an attribute value" : "a control character in an attribute value", i);
            }
            break;
        case State::AfterValue:
            if (is(c, kBlank)) {
                state = State::InTag;
            } else if (!end_start_tag(c, i, state, "attributes without a blank between them")) {
                return false;
            }
            break;
        case State::EmptyTagEnd:
            if (c != '>') return fail("a '/' in a start tag not followed by '>'", i);
            if (!open_element(true, i, state)) return false;
            break;

        case State::EndName: {
            const std::size_t start = starts_.back();
            const std::size_t length = names_.size() - start;
            while (end_match_ < length && c == static_cast<unsigned char>(names_[start + end_match_])) {
                ++end_match_;
                if (++i == n) break;
                c = p[i];
            }
            if (i == n) break;
            if (end_match_ != length || !(is(c, kBlank) || c == '>')) {
                return fail("an end tag that does not close <" + names_.substr(start) + ">", i);
            }
            if (c == '>') {
                state = close_element();
            } else {
                state = State::AfterEndName;
            }
            break;
        }
        case State::AfterEndName:
            if (is(c, kBlank)) break;
            if (c != '>') return fail("a bad character in an end tag", i);
            state = close_element();
            break;
        }
    }
    state_ = state;
    offset_ += n;
    return true;
}

bool XmlCheck::finish() {
    if (!problem_.empty()) return false;
    if (state_ == State::Misc && root_closed_) return true;
    if (offset_ == 0) return fail("the document is empty", 0);
    if (!starts_.empty()) return fail("the document ends inside <" + names_.substr(starts_.back()) + ">", 0);
    return fail(root_closed_ ? "the document ends inside markup" : "the document ends before its root element", 0);
}

}  // namespace corvex::exporting
