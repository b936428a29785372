// Base64 encoding of byte strings, for the Basic authorization credential.
#pragma once

#include <string>

// RFC 4648, section 4: the standard alphabet, "=" padding, no line breaks. The output of n bytes
// has 4 * ceil(n / 3) characters.
std::string base64Encode(const std::string& bytes);
