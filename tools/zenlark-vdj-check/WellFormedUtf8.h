// Telling well-formed UTF-8 from other 8-bit text, and writing code points as UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The length of the well-formed UTF-8 sequence that starts at `at`, or 0 when none does.
std::size_t utf8SequenceLength(const std::string& bytes, std::size_t at);

// True when `bytes` is well-formed UTF-8 (RFC 3629): no overlong forms, no surrogates, nothing
// above U+10FFFF.
bool isWellFormedUtf8(const std::string& bytes);

// Appends one code point (at most U+10FFFF, no surrogate) as UTF-8 (RFC 3629).
void appendUtf8(std::string& out, std::uint32_t codePoint);
