// Base64: RFC 4648 vectors, padding, and a randomized round trip through an independent decoder.
#include "delivery/Base64.h"

#include <gtest/gtest.h>

#include <random>

static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Decodes padded Base64; fails the test on any symbol outside the alphabet or misplaced padding.
static std::string decodeBase64(const std::string& text) {
    if (text.empty())
        return {};
    EXPECT_EQ(text.size() % 4, 0u) << text;
    const std::size_t padding = text.size() - text.find_last_not_of('=') - 1;
    EXPECT_LE(padding, 2u) << text;
    std::string bytes;
    std::uint32_t bits = 0;
    int bitCount = 0;
    for (std::size_t index = 0; index < text.size() - padding; ++index) {
        const std::size_t value = alphabet.find(text[index]);
        EXPECT_NE(value, std::string::npos) << "symbol " << int(text[index]) << " in " << text;
        bits = (bits << 6) | static_cast<std::uint32_t>(value & 0x3F);
        bitCount += 6;
        if (bitCount >= 8) {
            bitCount -= 8;
            bytes += static_cast<char>((bits >> bitCount) & 0xFF);
        }
    }
    EXPECT_EQ(bits & ((1u << bitCount) - 1), 0u) << "leftover bits must be zero in " << text;
    return bytes;
}

TEST(Base64, MatchesRfc4648Vectors) {
    EXPECT_EQ(base64Encode(""), "");
    EXPECT_EQ(base64Encode("f"), "Zg==");
    EXPECT_EQ(base64Encode("fo"), "Zm8=");
    EXPECT_EQ(base64Encode("foo"), "Zm9v");
    EXPECT_EQ(base64Encode("foob"), "Zm9vYg==");
    EXPECT_EQ(base64Encode("fooba"), "Zm9vYmE=");
    EXPECT_EQ(base64Encode("foobar"), "Zm9vYmFy");
    EXPECT_EQ(base64Encode("abc"), "YWJj");
}

TEST(Base64, EncodesEveryByteValueIncludingNulAndHighBytes) {
    EXPECT_EQ(base64Encode(std::string(1, '\0')), "AA==");
    EXPECT_EQ(base64Encode(std::string("\0\0\0", 3)), "AAAA");
    EXPECT_EQ(base64Encode("\xFF\xFF\xFF"), "////");
    EXPECT_EQ(base64Encode("\xFB\xEF\xBE"), "++++");
    EXPECT_EQ(base64Encode("\xFF"), "/w==");
    EXPECT_EQ(base64Encode("source:hack\xC3\xA9"), "c291cmNlOmhhY2vDqQ==");
}

TEST(Base64, RandomBytesRoundTripWithExactLength) {
    std::mt19937 random(20240611);
    std::uniform_int_distribution<int> lengthOf(0, 70);
    std::uniform_int_distribution<int> byteOf(0, 255);
    for (int round = 0; round < 5000; ++round) {
        std::string bytes(static_cast<std::size_t>(lengthOf(random)), '\0');
        for (char& byte : bytes)
            byte = static_cast<char>(byteOf(random));
        const std::string encoded = base64Encode(bytes);
        ASSERT_EQ(encoded.size(), (bytes.size() + 2) / 3 * 4);
        ASSERT_EQ(decodeBase64(encoded), bytes) << "round " << round;
        ASSERT_FALSE(HasFailure()) << "round " << round << ": " << encoded;
    }
}
