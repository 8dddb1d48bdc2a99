#include "logmodule/automation/registrar.h"

#include <memory>
#include <optional>
#include <vector>

namespace corvex::automation {
namespace {

struct Token {
    enum Kind { Word, Quoted, Equals, Open, Close, End } kind;
    std::string text;
    std::size_t line;
};

// Splits the script into words, 'quoted' texts, '=' and the braces. A brace
// is a token of its own only when it stands alone, so {GUID} is a word.
class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    std::optional<Token> next(std::string& error) {
        while (pos_ < text_.size() && is_space(text_[pos_])) {
            if (text_[pos_] == '\n') ++line_;
            ++pos_;
        }
        if (pos_ >= text_.size()) return Token{Token::End, {}, line_};
        const char c = text_[pos_];
        if (c == '=') {
            ++pos_;
            return Token{Token::Equals, "=", line_};
        }
        if (c == '\'') {
            std::string out;
            for (++pos_; pos_ < text_.size(); ++pos_) {
                if (text_[pos_] == '\'') {
                    if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
                        out += '\'';
                        ++pos_;
                        continue;
                    }
                    ++pos_;
                    return Token{Token::Quoted, std::move(out), line_};
                }
                if (text_[pos_] == '\n') break;
                out += text_[pos_];
            }
            error = "line " + std::to_string(line_) + ": unterminated quoted text";
            return std::nullopt;
        }
        const std::size_t start = pos_;
        while (pos_ < text_.size() && !is_space(text_[pos_]) && text_[pos_] != '=' && text_[pos_] != '\'') ++pos_;
        std::string word(text_.substr(start, pos_ - start));
        if (word == "{") return Token{Token::Open, word, line_};
        if (word == "}") return Token{Token::Close, word, line_};
        return Token{Token::Word, std::move(word), line_};
    }

private:
    static bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    std::string_view text_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
};

struct Node {
    std::string name;
    bool no_remove = false, force_remove = false, remove = false;
    std::optional<std::string> default_value;
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<Node> children;
};

class Parser {
public:
    Parser(std::string_view text, std::string_view module) : lexer_(text), module_(module) {}

    // The keys under the root.
    std::optional<std::vector<Node>> parse_script() {
        if (!advance()) return std::nullopt;
        if (tok_.kind != Token::Word || (tok_.text != "HKCR" && tok_.text != "HKEY_CLASSES_ROOT"))
            return fail("the script must start with the HKCR root");
        if (!advance()) return std::nullopt;
        std::vector<Node> keys;
        if (!parse_body(keys, nullptr)) return std::nullopt;
        if (tok_.kind != Token::End) return fail("text after the root's closing brace");
        return keys;
    }

    const std::string& error() const { return error_; }

private:
    bool advance() {
        auto t = lexer_.next(error_);
        if (!t) return false;
        tok_ = std::move(*t);
        return true;
    }
    // Records the first error; false, for the parse steps that answer bool.
    bool report(const std::string& what) {
        if (error_.empty()) error_ = "line " + std::to_string(tok_.line) + ": " + what;
        return false;
    }
    std::nullopt_t fail(const std::string& what) {
        report(what);
        return std::nullopt;
    }

    // Replaces %MODULE% and %%; any other %NAME% is an error.
    std::optional<std::string> substitute(const std::string& in) {
        std::string out;
        for (std::size_t i = 0; i < in.size(); ++i) {
            if (in[i] != '%') {
                out += in[i];
                continue;
            }
            const std::size_t end = in.find('%', i + 1);
            if (end == std::string::npos) return fail("unmatched '%'");
            const std::string_view name(in.data() + i + 1, end - i - 1);
            if (name.empty())
                out += '%';
            else if (name == "MODULE")
                out += module_;
            else
                return fail("unknown replacement %" + std::string(name) + "%");
            i = end;
        }
        return out;
    }

    std::optional<std::string> name_token() {
        if (tok_.kind != Token::Word && tok_.kind != Token::Quoted) return fail("expected a name");
        auto name = substitute(tok_.text);
        if (!name) return std::nullopt;
        if (!advance()) return std::nullopt;
        return name;
    }

    // "= s 'text'"
    std::optional<std::string> string_assignment() {
        if (tok_.kind != Token::Equals) return fail("expected '='");
        if (!advance()) return std::nullopt;
        if (tok_.kind != Token::Word || tok_.text != "s") return fail("only string values (s) are supported");
        if (!advance()) return std::nullopt;
        if (tok_.kind != Token::Quoted) return fail("expected a quoted value");
        auto value = substitute(tok_.text);
        if (!value) return std::nullopt;
        if (!advance()) return std::nullopt;
        return value;
    }

    // '{' entries '}'; `owner` receives `val` lines (none allowed at the root).
    bool parse_body(std::vector<Node>& keys, Node* owner) {
        if (tok_.kind != Token::Open) return report("expected '{'");
        if (!advance()) return false;
        while (tok_.kind != Token::Close) {
            if (tok_.kind == Token::End) return report("missing '}'");
            if (tok_.kind == Token::Word && tok_.text == "val") {
                if (!owner) return report("a value needs a key");
                if (!advance()) return false;
                auto name = name_token();
                if (!name) return false;
                auto value = string_assignment();
                if (!value) return false;
                owner->values.emplace_back(std::move(*name), std::move(*value));
                continue;
            }
            Node node;
            while (tok_.kind == Token::Word &&
                   (tok_.text == "NoRemove" || tok_.text == "ForceRemove" || tok_.text == "Delete")) {
                (tok_.text == "NoRemove" ? node.no_remove : tok_.text == "ForceRemove" ? node.force_remove : node.remove) =
                    true;
                if (!advance()) return false;
            }
            auto name = name_token();
            if (!name) return false;
            if (name->empty() || name->find('\\') != std::string::npos ||
                !platform::RegistryStore::is_valid_key_path(*name))
                return report("invalid key name '" + *name + "'");
            node.name = std::move(*name);
            if (tok_.kind == Token::Equals) {
                auto value = string_assignment();
                if (!value) return false;
                node.default_value = std::move(*value);
            }
            if (tok_.kind == Token::Open && !parse_body(node.children, &node)) return false;
            keys.push_back(std::move(node));
        }
        return advance();
    }

    Lexer lexer_;
    std::string_view module_;
    Token tok_{Token::End, {}, 1};
    std::string error_;
};

void register_keys(const std::vector<Node>& keys, const std::string& parent, platform::RegistryStore& store) {
    for (const Node& key : keys) {
        const std::string path = parent.empty() ? key.name : parent + '\\' + key.name;
        if (key.remove) {
            store.remove_key(path);
            continue;
        }
        if (key.force_remove) store.remove_key(path);
        store.create_key(path);
        if (key.default_value) store.set_default_value(path, *key.default_value);
        for (const auto& [name, value] : key.values) store.set_value(path, name, value);
        register_keys(key.children, path, store);
    }
}

void unregister_keys(const std::vector<Node>& keys, const std::string& parent, platform::RegistryStore& store) {
    for (const Node& key : keys) {
        const std::string path = parent.empty() ? key.name : parent + '\\' + key.name;
        if (key.no_remove)
            unregister_keys(key.children, path, store);
        else
            store.remove_key(path);
    }
}

}  // namespace

HRESULT apply_registration_script(std::string_view script, RegistrarAction action, std::string_view module_path,
                                  platform::RegistryStore& store, std::string* error) {
    Parser parser(script, module_path);
    const auto keys = parser.parse_script();
    if (!keys) {
        if (error) *error = parser.error();
        return E_INVALIDARG;
    }
    if (action == RegistrarAction::Register)
        register_keys(*keys, {}, store);
    else
        unregister_keys(*keys, {}, store);
    return S_OK;
}

}  // namespace corvex::automation
