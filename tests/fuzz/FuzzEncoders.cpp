// Fuzz target: the byte-level encoders and the update target, checked against their contracts.
#include "delivery/Base64.h"
#include "delivery/PercentEncoding.h"
#include "delivery/UpdateTarget.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

static void require(bool condition) {
    if (!condition)
        std::abort();
}

static bool isUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

static int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1; // lower-case digits are not allowed in the output
}

// Decodes and checks every character at once: only unreserved characters and %XX may appear.
static std::string percentDecodeStrict(const std::string& encoded) {
    std::string decoded;
    for (std::size_t i = 0; i < encoded.size(); ++i) {
        const auto c = static_cast<unsigned char>(encoded[i]);
        if (c != '%') {
            require(isUnreserved(c));
            decoded += encoded[i];
            continue;
        }
        require(i + 2 < encoded.size());
        const int high = hexValue(encoded[i + 1]);
        const int low = hexValue(encoded[i + 2]);
        require(high >= 0 && low >= 0);
        const int value = high * 16 + low;
        require(!isUnreserved(static_cast<unsigned char>(value))); // unreserved bytes stay as they are
        decoded += static_cast<char>(value);
        i += 2;
    }
    return decoded;
}

static const char base64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

static std::string base64Decode(const std::string& encoded) {
    require(encoded.size() % 4 == 0);
    std::string decoded;
    std::uint32_t bits = 0;
    int count = 0;
    std::size_t pads = 0;
    for (const char c : encoded) {
        if (c == '=') {
            ++pads;
            continue;
        }
        require(pads == 0); // "=" only at the end
        const char* found = std::strchr(base64Alphabet, c);
        require(c != '\0' && found != nullptr);
        bits = (bits << 6) | static_cast<std::uint32_t>(found - base64Alphabet);
        count += 6;
        if (count >= 8) {
            count -= 8;
            decoded += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    require(pads <= 2);
    return decoded;
}

// A request target must stand in a request line: printable ASCII without spaces.
static void requireFitsRequestLine(const std::string& target) {
    for (const char c : target)
        require(static_cast<unsigned char>(c) > 0x20 && static_cast<unsigned char>(c) < 0x7F);
}

static std::size_t countOf(const std::string& text, const std::string& part) {
    std::size_t count = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    const std::string encoded = percentEncodeBytes(bytes);
    require(percentDecodeStrict(encoded) == bytes);

    const std::string token = base64Encode(bytes);
    require(token.size() == (size + 2) / 3 * 4);
    require(base64Decode(token) == bytes);

    const std::string path = escapeBasePath(bytes);
    requireFitsRequestLine(path);

    // Four quarters of the input become the parts. The address cracker refuses an address with
    // "?" or "#", so the base path never holds them.
    UpdateTargetParts parts;
    const std::size_t quarter = size / 4;
    parts.basePath = bytes.substr(0, quarter);
    for (char& c : parts.basePath)
        if (c == '?' || c == '#')
            c = '/';
    parts.mount = bytes.substr(quarter, quarter);
    parts.sid = parts.mount;
    parts.song = bytes.substr(2 * quarter, quarter);
    parts.password = bytes.substr(3 * quarter);
    for (const ServerDialect dialect : {ServerDialect::Icecast, ServerDialect::Shoutcast}) {
        const std::string target = composeUpdateTarget(dialect, parts);
        requireFitsRequestLine(target);
        // The query holds exactly its fixed keys whatever the values contain.
        const std::size_t query = target.find('?');
        require(query != std::string::npos && target.find('?', query + 1) == std::string::npos);
        const std::size_t keys = dialect == ServerDialect::Icecast ? 2 : 3;
        require(countOf(target.substr(query), "&") == keys);
        require(countOf(target.substr(query), "=") == keys + 1);
    }
    return 0;
}
