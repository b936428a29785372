// Decoding stream titles: UTF-8 when well-formed, else Latin-1.
#include "listeners/TitleText.h"

#include "WellFormedUtf8.h"

#include <cstdint>

static const char replacementCharacter[] = "\xEF\xBF\xBD";

// Each byte as the Latin-1 letter of the same number.
static std::string fromLatin1(const std::string& bytes) {
    std::string text;
    for (const char c : bytes)
        appendUtf8(text, static_cast<unsigned char>(c));
    return text;
}

static bool isControl(std::uint32_t codePoint) {
    return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
}

// C1 controls in UTF-8 are C2 80 to C2 9F.
static bool isC1InUtf8(const std::string& text, std::size_t at, std::size_t length) {
    return length == 2 && static_cast<unsigned char>(text[at]) == 0xC2 &&
           static_cast<unsigned char>(text[at + 1]) <= 0x9F;
}

static std::string withoutControls(const std::string& utf8) {
    std::string safe;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::size_t length = utf8SequenceLength(utf8, at);
        const bool control =
            (length == 1 && isControl(static_cast<unsigned char>(utf8[at]))) || isC1InUtf8(utf8, at, length);
        if (control)
            safe += replacementCharacter;
        else
            safe.append(utf8, at, length);
        at += length;
    }
    return safe;
}

std::string displayTitle(const std::string& bytes) {
    if (isWellFormedUtf8(bytes))
        return withoutControls(bytes);
    return withoutControls(fromLatin1(bytes));
}
