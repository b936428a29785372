// Reading the public status pages of Icecast and Shoutcast servers.
#include "server-answer/PublishedStatus.h"

#include <cstdint>
#include <map>
#include <memory>

namespace {

// One code point as UTF-8.
void appendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// A JSON value (RFC 8259), as far as the status page needs it: objects, arrays and strings are
// kept; numbers, true, false and null are read past.
struct JsonValue {
    enum class Kind { other, string, array, object } kind = Kind::other;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;
};

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

const JsonValue* member(const JsonValue& object, const char* name) {
    const auto found = object.members.find(name);
    return found == object.members.end() ? nullptr : &found->second;
}

std::string memberText(const JsonValue& object, const char* name) {
    const JsonValue* value = member(object, name);
    return value != nullptr && value->kind == JsonValue::Kind::string ? value->text : std::string();
}

// The path of a listen address: "http://host:8000/live" gives "/live".
std::string pathOf(const std::string& url) {
    const std::size_t scheme = url.find("://");
    const std::size_t slash = url.find('/', scheme == std::string::npos ? 0 : scheme + 3);
    return slash == std::string::npos ? "/" : url.substr(slash);
}

MountStatus mountOf(const JsonValue& source) {
    MountStatus mount;
    mount.path = pathOf(memberText(source, "listenurl"));
    mount.contentType = memberText(source, "server_type");
    mount.subtype = memberText(source, "subtype");
    const JsonValue* title = member(source, "title");
    if (title != nullptr && title->kind == JsonValue::Kind::string)
        mount.title = title->text;
    return mount;
}

} // namespace

std::optional<std::vector<MountStatus>> parseIcecastStatus(const std::string& json) {
    JsonValue document;
    if (!JsonReader(json).readDocument(document) || document.kind != JsonValue::Kind::object)
        return std::nullopt;
    const JsonValue* stats = member(document, "icestats");
    if (stats == nullptr || stats->kind != JsonValue::Kind::object)
        return std::nullopt;
    std::vector<MountStatus> mounts;
    const JsonValue* sources = member(*stats, "source");
    if (sources == nullptr)
        return mounts; // no mount is live
    if (sources->kind == JsonValue::Kind::object)
        mounts.push_back(mountOf(*sources));
    for (const JsonValue& source : sources->items) {
        if (source.kind == JsonValue::Kind::object)
            mounts.push_back(mountOf(source));
    }
    return mounts;
}

// The five entities XML predefines, and numeric references, as UTF-8.
static std::string xmlUnescaped(const std::string& text) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = text[at] == '&' ? text.find(';', at) : std::string::npos;
        if (end == std::string::npos || end - at > 10) {
            out += text[at++];
            continue;
        }
        const std::string entity = text.substr(at + 1, end - at - 1);
        static const std::map<std::string, std::string> named = {
            {"amp", "&"}, {"lt", "<"}, {"gt", ">"}, {"quot", "\""}, {"apos", "'"}};
        const auto found = named.find(entity);
        std::uint32_t code = 0;
        const bool numeric = entity.size() > 1 && entity[0] == '#';
        if (numeric) {
            const bool hex = entity[1] == 'x' || entity[1] == 'X';
            for (std::size_t i = hex ? 2 : 1; i < entity.size() && code <= 0x10FFFF; ++i) {
                const char c = entity[i];
                const int digit = c >= '0' && c <= '9'          ? c - '0'
                                  : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                                  : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                                : -1;
                if (digit < 0) {
                    code = 0x110000; // not a number: kept as written
                    break;
                }
                code = code * (hex ? 16u : 10u) + static_cast<std::uint32_t>(digit);
            }
        }
        if (found != named.end()) {
            out += found->second;
        } else if (numeric && code > 0 && code <= 0x10FFFF && (code < 0xD800 || code > 0xDFFF)) {
            appendUtf8(out, code);
        } else {
            out += text.substr(at, end - at + 1);
        }
        at = end + 1;
    }
    return out;
}

std::optional<std::string> parseStatsSongTitle(const std::string& xml) {
    const std::size_t open = xml.find("<SONGTITLE");
    if (open == std::string::npos)
        return std::nullopt;
    const std::size_t start = xml.find('>', open);
    if (start == std::string::npos)
        return std::nullopt;
    if (xml[start - 1] == '/')
        return std::string(); // <SONGTITLE/>
    const std::size_t end = xml.find("</SONGTITLE>", start);
    if (end == std::string::npos)
        return std::nullopt;
    return xmlUnescaped(xml.substr(start + 1, end - start - 1));
}

std::optional<std::string> parseSevenHtmlTitle(const std::string& page) {
    const std::size_t open = page.find("<body>");
    const std::size_t close = page.rfind("</body>");
    if (open == std::string::npos || close == std::string::npos || close < open)
        return std::nullopt;
    const std::string line = page.substr(open + 6, close - open - 6);
    std::size_t at = 0;
    for (int field = 0; field < 6; ++field) {
        at = line.find(',', at);
        if (at == std::string::npos)
            return std::nullopt;
        ++at;
    }
    return xmlUnescaped(line.substr(at));
}

// Each byte of the UTF-8 text taken as one Latin-1 letter, written again as UTF-8.
static std::string readAsLatin1(const std::string& utf8) {
    std::string out;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80) {
            out += c;
            continue;
        }
        out += static_cast<char>(0xC0 | (byte >> 6));
        out += static_cast<char>(0x80 | (byte & 0x3F));
    }
    return out;
}

bool showsTitle(const std::string& shown, const std::string& sent) {
    return shown == sent || shown == readAsLatin1(sent);
}

static bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

static std::string lowered(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string formatName(const MountStatus& mount) {
    const std::string type = lowered(mount.contentType);
    if (contains(type, "mpeg") || contains(type, "mp3"))
        return "MP3";
    if (contains(type, "aac") || contains(type, "mp4"))
        return "AAC";
    if (contains(type, "flac"))
        return "FLAC";
    if (contains(type, "webm"))
        return "WebM";
    if (contains(type, "ogg") || contains(type, "opus"))
        return mount.subtype.empty() ? std::string("Ogg") : "Ogg " + mount.subtype;
    return mount.contentType.empty() ? std::string("an unknown format") : mount.contentType;
}

bool formatRefusesTitleUpdates(const MountStatus& mount) {
    const std::string type = lowered(mount.contentType);
    if (contains(type, "flac") || contains(type, "webm") || contains(type, "opus"))
        return true;
    // Icecast rewrites Vorbis' own comments; every other Ogg codec carries its titles itself.
    return contains(type, "ogg") && lowered(mount.subtype) != "vorbis";
}
