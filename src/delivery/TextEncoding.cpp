// Text conversions through the platform's converters; none of them fails loudly.
#include "delivery/TextEncoding.h"

#include "delivery/PercentEncoding.h"

#include <windows.h>

#include <climits>

// The converters take int lengths; longer text is not converted rather than cut or overflowed.
static bool fitsConverter(std::size_t length) {
    return length <= static_cast<std::size_t>(INT_MAX);
}

std::string utf8FromWide(const std::wstring& text) {
    if (text.empty() || !fitsConverter(text.size()))
        return {};
    const int length = static_cast<int>(text.size());
    // No flags: the converter puts U+FFFD for an unpaired surrogate instead of failing the text.
    const int needed = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    if (needed <= 0)
        return {};
    std::string bytes(static_cast<std::size_t>(needed), '\0');
    if (WideCharToMultiByte(CP_UTF8, 0, text.data(), length, bytes.data(), needed, nullptr, nullptr) !=
        needed)
        return {};
    return bytes;
}

// Sizes, then converts with the same code page and flags; empty when either call fails.
static std::wstring convertBytes(UINT codePage, DWORD flags, const std::string& bytes) {
    const int length = static_cast<int>(bytes.size());
    const int needed = MultiByteToWideChar(codePage, flags, bytes.data(), length, nullptr, 0);
    if (needed <= 0)
        return {};
    std::wstring text(static_cast<std::size_t>(needed), L'\0');
    if (MultiByteToWideChar(codePage, flags, bytes.data(), length, text.data(), needed) != needed)
        return {};
    return text;
}

std::wstring wideFromHostText(const std::string& bytes) {
    if (bytes.empty() || !fitsConverter(bytes.size()))
        return {};
    // The choice is made for the whole text: one ill-formed sequence anywhere makes the strict
    // UTF-8 sizing fail, and all of it is read in the ANSI code page.
    std::wstring text = convertBytes(CP_UTF8, MB_ERR_INVALID_CHARS, bytes);
    if (!text.empty())
        return text;
    return convertBytes(CP_ACP, 0, bytes);
}

std::wstring percentEncode(const std::wstring& text) {
    const std::string encoded = percentEncodeBytes(utf8FromWide(text));
    return std::wstring(encoded.begin(), encoded.end());
}
