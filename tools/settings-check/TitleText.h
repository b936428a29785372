// A stream title's bytes as UTF-8 text that is safe to print.
#pragma once

#include <string>

// True when `bytes` is well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool isWellFormedUtf8(const std::string& bytes);

// The title as UTF-8: kept when it is well-formed UTF-8, else read as Latin-1, which older
// servers send. Control characters (C0, DEL, C1) become U+FFFD, so a title can neither move
// the cursor nor send escape sequences to the console.
std::string displayTitle(const std::string& bytes);
