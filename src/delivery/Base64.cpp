// Base64 as RFC 4648, section 4 defines it.
#include "delivery/Base64.h"

#include <cstdint>

static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

static std::uint32_t byteAt(const std::string& bytes, std::size_t index) {
    return static_cast<unsigned char>(bytes[index]);
}

// Appends the symbols of one 24-bit group that holds `count` input bytes (1 to 3), most
// significant bits first; a short group is filled with zero bits and padded with "=".
static void appendGroup(std::string& out, std::uint32_t group, std::size_t count) {
    for (std::size_t symbol = 0; symbol < 4; ++symbol) {
        if (symbol > count) {
            out += '=';
            continue;
        }
        out += alphabet[(group >> (18 - 6 * symbol)) & 0x3F];
    }
}

std::string base64Encode(const std::string& bytes) {
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t index = 0; index < bytes.size(); index += 3) {
        const std::size_t count = bytes.size() - index < 3 ? bytes.size() - index : 3;
        std::uint32_t group = byteAt(bytes, index) << 16;
        if (count > 1)
            group |= byteAt(bytes, index + 1) << 8;
        if (count > 2)
            group |= byteAt(bytes, index + 2);
        appendGroup(out, group, count);
    }
    return out;
}
