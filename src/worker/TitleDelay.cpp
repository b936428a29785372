// Reading the title delay without the C library's locale-dependent number parsing.
#include "worker/TitleDelay.h"

static bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Digits, at most one point, and at least one digit: "5", "2.5", ".5", "5.".
static bool isDecimal(const std::wstring& text) {
    bool point = false;
    bool digit = false;
    for (const wchar_t c : text) {
        if (c == L'.' && !point) {
            point = true;
            continue;
        }
        if (!isDigit(c))
            return false;
        digit = true;
    }
    return digit;
}

// The milliseconds of a decimal number of seconds, capped just above the maximum so that a
// value of any length cannot overflow.
static std::int32_t millisecondsOf(const std::wstring& decimal) {
    const std::size_t point = decimal.find(L'.');
    const std::wstring whole = decimal.substr(0, point);
    const std::wstring fraction = point == std::wstring::npos ? std::wstring() : decimal.substr(point + 1);
    std::int32_t milliseconds = 0;
    for (const wchar_t c : whole) {
        milliseconds = milliseconds * 10 + (c - L'0') * 1000;
        if (milliseconds > maxTitleDelayMilliseconds)
            return maxTitleDelayMilliseconds + 1;
    }
    std::int32_t scale = 100;
    for (std::size_t at = 0; at < fraction.size() && scale > 0; ++at, scale /= 10)
        milliseconds += (fraction[at] - L'0') * scale;
    return milliseconds;
}

TitleDelay readTitleDelay(const std::wstring& written) {
    std::wstring text = written;
    if (text.empty())
        return TitleDelay{};
    const bool minus = text.front() == L'-';
    if (minus)
        text.erase(0, 1);
    if (!isDecimal(text))
        return TitleDelay{0, TitleDelayReading::notANumber};
    const std::int32_t milliseconds = millisecondsOf(text);
    if (minus && milliseconds > 0)
        return TitleDelay{0, TitleDelayReading::negative};
    if (milliseconds > maxTitleDelayMilliseconds)
        return TitleDelay{maxTitleDelayMilliseconds, TitleDelayReading::aboveMaximum};
    return TitleDelay{milliseconds, TitleDelayReading::asWritten};
}
