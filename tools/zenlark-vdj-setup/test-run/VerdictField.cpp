// Finding the settings key in a verdict's words.
#include "test-run/VerdictField.h"

#include "AsciiCase.h"
#include "settings-file/SettingsMistakes.h"

#include <algorithm>
#include <cstddef>

static bool isWordCharacter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Where `word` first stands in `text` as a word of its own ("sid", not the one in "inside").
static std::size_t wordAt(const std::string& text, const std::string& word) {
    for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        const bool startsWord = at == 0 || !isWordCharacter(text[at - 1]);
        const std::size_t end = at + word.size();
        const bool endsWord = end >= text.size() || !isWordCharacter(text[end]) || word.back() == '=';
        if (startsWord && endsWord)
            return at;
    }
    return std::string::npos;
}

// The key that stands first in `text`, followed by `suffix` ("=" or nothing); empty for none.
static std::string firstKeyIn(const std::string& text, const std::string& suffix) {
    std::string found;
    std::size_t foundAt = std::string::npos;
    for (const char* key : settingKeys) {
        const std::size_t at = wordAt(text, key + suffix);
        if (at < foundAt) {
            found = key;
            foundAt = at;
        }
    }
    return found;
}

// The words verdicts use for a field when they name no key.
static std::string fieldInWords(const std::string& lowered) {
    static const struct {
        const char* words;
        const char* key;
    } fields[] = {{"user name", "username"}, {"password", "password"}, {"mount", "mount"},
                  {"port", "server_url"},    {"host", "server_url"},   {"address", "server_url"}};
    for (const auto& field : fields) {
        if (wordAt(lowered, field.words) != std::string::npos)
            return field.key;
    }
    return std::string();
}

// The clause after each "write" of the advice, the instruction itself ("With username=source,
// write the mount's source password" is about the password): its key, or its field in words.
static std::string keyWritten(const std::string& advice) {
    const std::string lowered = asciiLowered(advice);
    for (std::size_t at = wordAt(lowered, "write"); at != std::string::npos;) {
        std::size_t end = lowered.size();
        for (const char* stop : {". ", "; ", ", "})
            end = std::min(end, lowered.find(stop, at));
        const std::string clause = lowered.substr(at + 5, end - at - 5);
        if (std::string key = firstKeyIn(clause, "="); !key.empty())
            return key;
        if (std::string key = fieldInWords(clause); !key.empty())
            return key;
        const std::size_t next = wordAt(lowered.substr(end), "write");
        at = next == std::string::npos ? next : end + next;
    }
    return std::string();
}

std::string settingsKeyOf(const CheckVerdict& verdict) {
    if (const std::string key = keyWritten(verdict.advice); !key.empty())
        return key;
    for (const std::string& text : {verdict.advice, verdict.happened}) {
        if (const std::string key = firstKeyIn(text, "="); !key.empty())
            return key;
    }
    const std::string words = verdict.happened + " " + verdict.advice;
    if (const std::string key = firstKeyIn(words, ""); !key.empty())
        return key;
    return fieldInWords(asciiLowered(words));
}
