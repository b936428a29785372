// Percent-encoding with the unreserved set of RFC 3986 kept.
#include "delivery/PercentEncoding.h"

static const char hexDigits[] = "0123456789ABCDEF";

// A plain ASCII test on purpose: no byte of 128 or more is ever kept, whatever the locale says.
static bool isUnreserved(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
           byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

void appendPercentEscape(std::string& out, unsigned char byte) {
    out += '%';
    out += hexDigits[byte >> 4];
    out += hexDigits[byte & 0x0F];
}

std::string percentEncodeBytes(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (const char character : utf8) {
        const auto byte = static_cast<unsigned char>(character);
        if (isUnreserved(byte)) {
            out += character;
            continue;
        }
        appendPercentEscape(out, byte);
    }
    return out;
}
