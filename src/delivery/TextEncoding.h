// Conversions between host text, UTF-16 and UTF-8, and percent-encoding of wide text.
#pragma once

#include <string>

// UTF-16 to UTF-8. An unpaired surrogate becomes U+FFFD (EF BF BD); text that cannot be
// converted at all gives an empty string.
std::string utf8FromWide(const std::wstring& text);

// Host text to UTF-16: as UTF-8 when the whole text is well-formed UTF-8, otherwise the whole
// text in the system's ANSI code page. Text that converts neither way gives an empty string.
std::wstring wideFromHostText(const std::string& bytes);

// The UTF-8 form of `text`, percent-encoded (see percentEncodeBytes), as wide ASCII text.
std::wstring percentEncode(const std::wstring& text);
