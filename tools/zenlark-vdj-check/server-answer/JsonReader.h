// Reading JSON text (RFC 8259) as far as a server's status page needs it.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// A JSON value (RFC 8259), as far as the status page needs it: objects, arrays and strings are
// kept; numbers, true, false and null are read past.
struct JsonValue {
    enum class Kind { other, string, array, object } kind = Kind::other;
    std::string text;
    std::vector<JsonValue> items;
    std::map<std::string, JsonValue> members;
};

// The document, or nothing when the text is not well-formed JSON or nests deeper than any
// status page does.
std::optional<JsonValue> readJson(const std::string& text);
