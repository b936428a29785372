// Percent-encoding of UTF-8 bytes: the unreserved set, upper-case escapes, and a randomized round trip.
#include "delivery/PercentEncoding.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

static bool isUnreservedAscii(char character) {
    return character != '\0' &&
           std::strchr("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-._~", character) !=
               nullptr;
}

static int hexValue(char digit) {
    static const char digits[] = "0123456789ABCDEF"; // upper case only: "%c3" is a fault
    const char* found = digit != '\0' ? std::strchr(digits, digit) : nullptr;
    return found != nullptr ? static_cast<int>(found - digits) : -1;
}

// Decodes the output, failing the test on anything but unreserved characters and "%XX".
static std::string decodePercent(const std::string& text) {
    std::string bytes;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (isUnreservedAscii(text[index])) {
            bytes += text[index];
            continue;
        }
        EXPECT_EQ(text[index], '%') << text;
        const int high = index + 1 < text.size() ? hexValue(text[index + 1]) : -1;
        const int low = index + 2 < text.size() ? hexValue(text[index + 2]) : -1;
        EXPECT_TRUE(high >= 0 && low >= 0) << "bad escape at " << index << " in " << text;
        bytes += static_cast<char>(high * 16 + low);
        index += 2;
    }
    return bytes;
}

TEST(PercentEncoding, EncodesQueryValues) {
    EXPECT_EQ(percentEncodeBytes("Artist - Title"), "Artist%20-%20Title");
    EXPECT_EQ(percentEncodeBytes("/live"), "%2Flive");
    EXPECT_EQ(percentEncodeBytes("a+b&c=d"), "a%2Bb%26c%3Dd");
    EXPECT_EQ(percentEncodeBytes("AZaz09-._~"), "AZaz09-._~");
    EXPECT_EQ(percentEncodeBytes("\xC3\xA9"), "%C3%A9");
    EXPECT_EQ(percentEncodeBytes("100%"), "100%25");
    EXPECT_EQ(percentEncodeBytes(""), "");
    EXPECT_EQ(percentEncodeBytes(std::string("a\0b", 3)), "a%00b");
}

TEST(PercentEncoding, KeepsOnlyUnreservedAscii) {
    int kept = 0;
    for (int value = 0; value < 256; ++value) {
        const std::string byte(1, static_cast<char>(value));
        const std::string encoded = percentEncodeBytes(byte);
        if (encoded == byte) {
            ++kept;
            EXPECT_TRUE(isUnreservedAscii(byte[0])) << "byte " << value << " was kept";
            continue;
        }
        EXPECT_FALSE(isUnreservedAscii(byte[0])) << "byte " << value << " was encoded";
        EXPECT_EQ(decodePercent(encoded), byte);
    }
    EXPECT_EQ(kept, 66);
}

TEST(PercentEncoding, RandomBytesDecodeBack) {
    std::mt19937 random(4321);
    std::uniform_int_distribution<int> lengthOf(0, 40);
    std::uniform_int_distribution<int> byteOf(0, 255);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes(static_cast<std::size_t>(lengthOf(random)), '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(byteOf(random));
        ASSERT_EQ(decodePercent(percentEncodeBytes(bytes)), bytes) << "round " << round;
        ASSERT_FALSE(HasFailure()) << "round " << round;
    }
}
