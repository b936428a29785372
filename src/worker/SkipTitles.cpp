// Splitting the skip list and finding its entries in a track text.
#include "worker/SkipTitles.h"

static bool isBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

static std::wstring withoutBlanks(const std::wstring& text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

std::vector<std::wstring> skipTitleList(const std::wstring& written) {
    std::vector<std::wstring> entries;
    std::size_t begin = 0;
    for (;;) {
        const std::size_t bar = written.find(L'|', begin);
        const std::wstring entry = withoutBlanks(written.substr(begin, bar - begin));
        if (!entry.empty())
            entries.push_back(entry);
        if (bar == std::wstring::npos)
            return entries;
        begin = bar + 1;
    }
}

// Only A to Z fold: a locale's case rules would make a match depend on the computer's language.
static wchar_t asciiLower(wchar_t c) {
    if (c >= L'A' && c <= L'Z')
        return static_cast<wchar_t>(c - L'A' + L'a');
    return c;
}

static bool holdsAt(const std::wstring& text, std::size_t at, const std::wstring& entry) {
    for (std::size_t index = 0; index < entry.size(); ++index) {
        if (asciiLower(text[at + index]) != asciiLower(entry[index]))
            return false;
    }
    return true;
}

static bool holdsEntry(const std::wstring& text, const std::wstring& entry) {
    for (std::size_t at = 0; at + entry.size() <= text.size(); ++at) {
        if (holdsAt(text, at, entry))
            return true;
    }
    return false;
}

bool holdsSkipTitle(const std::wstring& trackText, const std::vector<std::wstring>& skipTitles) {
    for (const std::wstring& entry : skipTitles) {
        if (holdsEntry(trackText, entry))
            return true;
    }
    return false;
}
