// A recursive-descent JSON reader: strings decoded to UTF-8, containers kept, scalars skipped.
#include "server-answer/JsonReader.h"

#include "WellFormedUtf8.h"

#include <cstdint>

namespace {

// A recursive-descent reader over the page's text. It gives up on anything malformed, and on
// nesting deeper than any status page has, so a hostile page cannot exhaust the stack.
class JsonReader {
public:
    explicit JsonReader(const std::string& text) : text_(text) {}

    bool readDocument(JsonValue& value) {
        if (!readValue(value, 0))
            return false;
        skipSpace();
        return at_ == text_.size();
    }

private:
    static constexpr int maxDepth = 16;

    void skipSpace() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    bool take(char wanted) {
        skipSpace();
        if (at_ >= text_.size() || text_[at_] != wanted)
            return false;
        ++at_;
        return true;
    }

    bool readValue(JsonValue& value, int depth) {
        if (depth > maxDepth)
            return false;
        skipSpace();
        if (at_ >= text_.size())
            return false;
        const char c = text_[at_];
        if (c == '{')
            return readObject(value, depth);
        if (c == '[')
            return readArray(value, depth);
        if (c == '"') {
            value.kind = JsonValue::Kind::string;
            return readString(value.text);
        }
        return readScalar();
    }

    bool readObject(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::object;
        ++at_;
        if (take('}'))
            return true;
        do {
            std::string name;
            skipSpace();
            if (!readString(name) || !take(':'))
                return false;
            JsonValue member;
            if (!readValue(member, depth + 1))
                return false;
            value.members[name] = std::move(member);
        } while (take(','));
        return take('}');
    }

    bool readArray(JsonValue& value, int depth) {
        value.kind = JsonValue::Kind::array;
        ++at_;
        if (take(']'))
            return true;
        do {
            value.items.emplace_back();
            if (!readValue(value.items.back(), depth + 1))
                return false;
        } while (take(','));
        return take(']');
    }

    // Numbers and the literals: their characters are read past without being checked further.
    bool readScalar() {
        const std::size_t start = at_;
        static const std::string scalarCharacters = "+-.0123456789eEtruefalsn";
        while (at_ < text_.size() && scalarCharacters.find(text_[at_]) != std::string::npos)
            ++at_;
        return at_ > start;
    }

    bool readHex4(std::uint32_t& unit) {
        if (text_.size() - at_ < 4)
            return false;
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                unit |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                unit |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return false;
        }
        return true;
    }

    // "\uXXXX", a surrogate pair joined; a lone surrogate becomes U+FFFD.
    bool readEscapedUnit(std::string& out) {
        std::uint32_t unit = 0;
        if (!readHex4(unit))
            return false;
        if (unit >= 0xD800 && unit <= 0xDBFF && text_.compare(at_, 2, "\\u") == 0) {
            const std::size_t back = at_;
            at_ += 2;
            std::uint32_t low = 0;
            if (readHex4(low) && low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
                return true;
            }
            at_ = back;
        }
        appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? 0xFFFD : unit);
        return true;
    }

    bool readString(std::string& out) {
        if (at_ >= text_.size() || text_[at_] != '"')
            return false;
        ++at_;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return true;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size())
                return false;
            const char escaped = text_[at_++];
            static const std::string from = "\"\\/bfnrt";
            static const std::string to = "\"\\/\b\f\n\r\t";
            const std::size_t simple = from.find(escaped);
            if (simple != std::string::npos)
                out += to[simple];
            else if (escaped != 'u' || !readEscapedUnit(out))
                return false;
        }
        return false;
    }

    const std::string& text_;
    std::size_t at_ = 0;
};

} // namespace

std::optional<JsonValue> readJson(const std::string& text) {
    JsonValue document;
    if (!JsonReader(text).readDocument(document))
        return std::nullopt;
    return document;
}
