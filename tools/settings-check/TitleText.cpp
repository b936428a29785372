// Decoding stream titles: UTF-8 when well-formed, else Latin-1.
#include "TitleText.h"

#include <cstdint>

static const char replacementCharacter[] = "\xEF\xBF\xBD";

// The length of the well-formed UTF-8 sequence at `at`, or 0 when none starts there.
static std::size_t sequenceLength(const std::string& bytes, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80)
        return 1;
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF; // the range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0; // overlong
        if (lead == 0xED)
            high = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90; // overlong
        if (lead == 0xF4)
            high = 0x8F; // above U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() - at < length)
        return 0;
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i) {
        if (byte(at + i) < 0x80 || byte(at + i) > 0xBF)
            return 0;
    }
    return length;
}

bool isWellFormedUtf8(const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t length = sequenceLength(bytes, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}

static void appendCodePoint(std::string& out, std::uint32_t codePoint) {
    if (codePoint < 0x80) {
        out += static_cast<char>(codePoint);
        return;
    }
    out += static_cast<char>(0xC0 | (codePoint >> 6));
    out += static_cast<char>(0x80 | (codePoint & 0x3F));
}

// Each byte as the Latin-1 letter of the same number.
static std::string fromLatin1(const std::string& bytes) {
    std::string text;
    for (const char c : bytes)
        appendCodePoint(text, static_cast<unsigned char>(c));
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
        const std::size_t length = sequenceLength(utf8, at);
        const bool control = (length == 1 && isControl(static_cast<unsigned char>(utf8[at]))) ||
                             isC1InUtf8(utf8, at, length);
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
