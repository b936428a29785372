// Percent-encoding of UTF-8 bytes for query values.
#pragma once

#include <string>

// Keeps the unreserved set of RFC 3986 (ASCII letters and digits, "-", ".", "_", "~") and writes
// every other byte as "%XX" with upper-case hex digits, so the space becomes %20, never "+".
// The result is ASCII.
std::string percentEncodeBytes(const std::string& utf8);

// Appends one byte as "%XX" with upper-case hex digits.
void appendPercentEscape(std::string& out, unsigned char byte);
