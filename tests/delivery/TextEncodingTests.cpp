// Conversions through the platform: UTF-16 to UTF-8, host text with its ANSI fallback, and
// percent-encoding of wide text, with a randomized check against an independent UTF-8 encoder.
#include "delivery/TextEncoding.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>

// The ANSI expectations below are those of Windows-1252; another code page must fail here, plainly.
#define ASSERT_ANSI_CODE_PAGE_1252()                                                                         \
    ASSERT_EQ(GetACP(), 1252u) << "these cases expect the ANSI code page 1252 (en_US locale)"

static std::wstring wide(std::initializer_list<wchar_t> units) {
    return std::wstring(units);
}

static bool isHighSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
static bool isLowSurrogate(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

static void appendUtf8(std::string& out, std::uint32_t codePoint) {
    auto byte = [&out](std::uint32_t value) { out += static_cast<char>(value & 0xFF); };
    if (codePoint < 0x80) {
        byte(codePoint);
    } else if (codePoint < 0x800) {
        byte(0xC0 | (codePoint >> 6));
        byte(0x80 | (codePoint & 0x3F));
    } else if (codePoint < 0x10000) {
        byte(0xE0 | (codePoint >> 12));
        byte(0x80 | ((codePoint >> 6) & 0x3F));
        byte(0x80 | (codePoint & 0x3F));
    } else {
        byte(0xF0 | (codePoint >> 18));
        byte(0x80 | ((codePoint >> 12) & 0x3F));
        byte(0x80 | ((codePoint >> 6) & 0x3F));
        byte(0x80 | (codePoint & 0x3F));
    }
}

// UTF-8 of UTF-16 text written out by hand, with U+FFFD for every unpaired surrogate.
static std::string referenceUtf8(const std::wstring& text) {
    std::string out;
    for (std::size_t index = 0; index < text.size(); ++index) {
        const wchar_t unit = text[index];
        if (isHighSurrogate(unit) && index + 1 < text.size() && isLowSurrogate(text[index + 1])) {
            appendUtf8(out, 0x10000 + ((std::uint32_t(unit) - 0xD800) << 10) +
                                (std::uint32_t(text[++index]) - 0xDC00));
            continue;
        }
        appendUtf8(out, isHighSurrogate(unit) || isLowSurrogate(unit) ? 0xFFFD : std::uint32_t(unit));
    }
    return out;
}

static int hexValue(wchar_t digit) {
    if (digit >= L'0' && digit <= L'9')
        return digit - L'0';
    if (digit >= L'A' && digit <= L'F')
        return digit - L'A' + 10;
    return -1; // lower-case digits are a fault
}

static bool isUnreserved(wchar_t unit) {
    return (unit >= L'A' && unit <= L'Z') || (unit >= L'a' && unit <= L'z') ||
           (unit >= L'0' && unit <= L'9') || unit == L'-' || unit == L'.' || unit == L'_' || unit == L'~';
}

// Decodes percentEncode's output, failing the test on anything but unreserved characters and "%XX".
static std::string decodePercent(const std::wstring& text) {
    std::string bytes;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (isUnreserved(text[index])) {
            bytes += static_cast<char>(text[index]);
            continue;
        }
        EXPECT_EQ(text[index], L'%');
        const int high = index + 1 < text.size() ? hexValue(text[index + 1]) : -1;
        const int low = index + 2 < text.size() ? hexValue(text[index + 2]) : -1;
        EXPECT_TRUE(high >= 0 && low >= 0) << "bad escape at " << index;
        bytes += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return bytes;
}

// Random UTF-16 text: ASCII, other BMP characters, surrogate pairs and, when asked, unpaired surrogates.
static std::wstring randomWideText(std::mt19937& random, bool withUnpairedSurrogates) {
    std::uniform_int_distribution<int> lengthOf(0, 24);
    std::uniform_int_distribution<int> kindOf(0, withUnpairedSurrogates ? 5 : 3);
    std::wstring text;
    for (int count = lengthOf(random); count > 0; --count) {
        switch (kindOf(random)) {
        case 0:
            text += static_cast<wchar_t>(std::uniform_int_distribution<int>(0, 0x7F)(random));
            break;
        case 1:
            text += static_cast<wchar_t>(std::uniform_int_distribution<int>(0x80, 0xD7FF)(random));
            break;
        case 2:
            text += static_cast<wchar_t>(std::uniform_int_distribution<int>(0xE000, 0xFFFF)(random));
            break;
        case 3:
            text += static_cast<wchar_t>(std::uniform_int_distribution<int>(0xD800, 0xDBFF)(random));
            text += static_cast<wchar_t>(std::uniform_int_distribution<int>(0xDC00, 0xDFFF)(random));
            break;
        default:
            text += static_cast<wchar_t>(std::uniform_int_distribution<int>(0xD800, 0xDFFF)(random));
            break;
        }
    }
    return text;
}

TEST(Utf8FromWide, ConvertsAndReplacesUnpairedSurrogates) {
    EXPECT_EQ(utf8FromWide(L""), "");
    EXPECT_EQ(utf8FromWide(L"\u00E9"), "\xC3\xA9");
    EXPECT_EQ(utf8FromWide(wide({0xD83D, 0xDE00})), "\xF0\x9F\x98\x80");
    EXPECT_EQ(utf8FromWide(wide({0xD800})), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8FromWide(wide({L'a', 0xDC00, L'b'})), "a\xEF\xBF\xBD"
                                                        "b");
    EXPECT_EQ(utf8FromWide(wide({0xDE00, 0xD83D})), "\xEF\xBF\xBD\xEF\xBF\xBD"); // pair in the wrong order
    EXPECT_EQ(utf8FromWide(std::wstring(L"a\0b", 3)), std::string("a\0b", 3)); // the length counts, not a NUL
}

TEST(WideFromHostText, ReadsWellFormedUtf8AsUtf8) {
    EXPECT_EQ(wideFromHostText(""), L"");
    EXPECT_EQ(wideFromHostText("\xC3\xA9"), L"\u00E9");
    EXPECT_EQ(wideFromHostText("Artist - Title"), L"Artist - Title");
    EXPECT_EQ(wideFromHostText("\xF0\x9F\x98\x80"), wide({0xD83D, 0xDE00}));
    EXPECT_EQ(wideFromHostText(std::string("a\0b", 3)), std::wstring(L"a\0b", 3));
}

TEST(WideFromHostText, ReadsAnythingElseWhollyInTheAnsiCodePage) {
    ASSERT_ANSI_CODE_PAGE_1252();
    EXPECT_EQ(wideFromHostText("\xE9"), L"\u00E9");
    // One stray byte sends the whole text through Windows-1252: "é" becomes "Ã©" and "€" (E2 82 AC) three
    // characters.
    EXPECT_EQ(wideFromHostText("Caf\xC3\xA9 \xE2\x82\xAC \xFF"),
              L"Caf\u00C3\u00A9 \u00E2\u201A\u00AC \u00FF");
    // Sequences that look like UTF-8 but are not well-formed: overlong, surrogate, beyond U+10FFFF, cut
    // short.
    EXPECT_EQ(wideFromHostText("\xC0\xAF"), L"\u00C0\u00AF");
    EXPECT_EQ(wideFromHostText("\xED\xA0\x80"), L"\u00ED\u00A0\u20AC");
    EXPECT_EQ(wideFromHostText("\xF4\x90\x80\x80"), L"\u00F4\u0090\u20AC\u20AC");
    EXPECT_EQ(wideFromHostText("ab\xE2\x82"), L"ab\u00E2\u201A");
}

TEST(PercentEncode, EncodesTheUtf8FormOfWideText) {
    EXPECT_EQ(percentEncode(L"Artist - Title"), L"Artist%20-%20Title");
    EXPECT_EQ(percentEncode(L"\u00E9/100%"), L"%C3%A9%2F100%25");
    EXPECT_EQ(percentEncode(L""), L"");
    EXPECT_EQ(percentEncode(wide({0xD800})), L"%EF%BF%BD");
}

TEST(PercentEncode, AnsiHostTextLeavesAsUtf8) {
    ASSERT_ANSI_CODE_PAGE_1252();
    EXPECT_EQ(percentEncode(wideFromHostText("Caf\xE9")), L"Caf%C3%A9");
}

TEST(PercentEncode, RandomTextDecodesToItsUtf8) {
    std::mt19937 random(97531);
    for (int round = 0; round < 5000; ++round) {
        const std::wstring text = randomWideText(random, true);
        const std::wstring encoded = percentEncode(text);
        ASSERT_EQ(decodePercent(encoded), referenceUtf8(text)) << "round " << round;
        ASSERT_FALSE(HasFailure()) << "round " << round;
    }
}

TEST(WideFromHostText, RandomWellFormedTextRoundTripsThroughUtf8) {
    std::mt19937 random(8642);
    for (int round = 0; round < 5000; ++round) {
        const std::wstring text = randomWideText(random, false);
        ASSERT_EQ(utf8FromWide(text), referenceUtf8(text)) << "round " << round;
        ASSERT_EQ(wideFromHostText(utf8FromWide(text)), text) << "round " << round;
    }
}
