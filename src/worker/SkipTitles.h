// The texts a server's listeners are never shown: a track text that holds any of them, such as
// a station ID or a jingle on a deck of its own, is not announced.
#pragma once

#include <string>
#include <vector>

// The entries of a settings value "station id|jingle|drop", each without the blanks around it;
// an empty entry (two "|" in a row, or one at an end) is no entry.
std::vector<std::wstring> skipTitleList(const std::wstring& written);

// True when `trackText` holds one of the entries, with ASCII letters in either case: "Station ID"
// holds "station id". Letters outside ASCII must match exactly.
bool holdsSkipTitle(const std::wstring& trackText, const std::vector<std::wstring>& skipTitles);
