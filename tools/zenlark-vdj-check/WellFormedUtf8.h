// Telling well-formed UTF-8 from other 8-bit text.
#pragma once

#include <cstddef>
#include <string>

// The length of the well-formed UTF-8 sequence that starts at `at`, or 0 when none does.
std::size_t utf8SequenceLength(const std::string& bytes, std::size_t at);

// True when `bytes` is well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool isWellFormedUtf8(const std::string& bytes);
