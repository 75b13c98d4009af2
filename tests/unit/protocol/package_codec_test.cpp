// SPDX-License-Identifier: GPL-3.0-or-later
#include "protocol/package_codec.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

std::string Encode(const std::string& bytes) {
    std::vector<char> out(static_cast<std::size_t>(Base64EncodedLength(static_cast<int>(bytes.size()))) + 1, 'X');
    const int n =
        Base64Encode(out.data(), reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    EXPECT_EQ(out[static_cast<std::size_t>(n)], '\0') << "no NUL after the text";
    return std::string(out.data(), static_cast<std::size_t>(n));
}

// The output buffer is exactly as large as the decoder's promise (three
// quarters of the text), so a write beyond it shows under AddressSanitizer.
std::string Decode(const std::string& text) {
    std::vector<unsigned char> out(text.size() * 3 / 4);
    const int n = Base64Decode(out.data(), text.c_str());
    EXPECT_GE(n, 0);
    EXPECT_LE(static_cast<std::size_t>(n), out.size());
    return std::string(reinterpret_cast<const char*>(out.data()), static_cast<std::size_t>(n));
}

std::string Inverted(std::string bytes) {
    InvertBytes(bytes.data(), static_cast<int>(bytes.size()));
    return bytes;
}

TEST(PackageCodec, WorkedExampleAbcWithItsNul) {
    const std::string plain("abc\0", 4);
    const std::string inverted = Inverted(plain);
    EXPECT_EQ(inverted, std::string("\x9E\x9D\x9C\xFF", 4));
    EXPECT_EQ(Encode(inverted), "np2c/w==");

    const std::string decoded = Decode("np2c/w==");
    ASSERT_EQ(decoded.size(), 4u);
    EXPECT_EQ(Inverted(decoded), plain);
}

TEST(PackageCodec, StandardVectorsBothWays) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"\xFB\xFF\xBF", "+/+/"},
    };
    for (const auto& [bytes, text] : cases) {
        EXPECT_EQ(Encode(bytes), text) << "encoding " << text;
        EXPECT_EQ(Decode(text), bytes) << "decoding " << text;
    }
}

TEST(PackageCodec, EveryByteValueSurvivesARoundTripAtEveryGroupLength) {
    for (int length = 0; length < 300; ++length) {
        std::string bytes;
        for (int i = 0; i < length; ++i) bytes += static_cast<char>((i * 37 + length) & 0xFF);
        const std::string text = Encode(bytes);
        ASSERT_EQ(text.size(), static_cast<std::size_t>(Base64EncodedLength(length)));
        ASSERT_EQ(Decode(text), bytes) << "length " << length;
    }
}

TEST(PackageCodec, DecodeSkipsForeignCharacters) {
    EXPECT_EQ(Decode(""), "");
    EXPECT_EQ(Decode("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(Decode("Z m\t9-v*Y\xC3\xA9mF.y"), "foobar");
    EXPECT_EQ(Decode("\r\n\r\n"), "");
}

TEST(PackageCodec, DecodeStopsAtPaddingOnlyRightAfterATakenCharacter) {
    // Padding met directly ends the message; what follows is ignored.
    EXPECT_EQ(Decode("Zm8=Zm9v"), "fo");
    EXPECT_EQ(Decode("=Zm9v"), "");
    // An unpadded message runs on into the next one.
    EXPECT_EQ(Decode("Zm9vYgZm9v").size(), 7u);
    EXPECT_EQ(Decode("Zm9vYgZm9v").substr(0, 4), "foob");
    // "=" behind a line break is skipped like any foreign character.
    const std::string runOn = Decode("Zm8\r\n=Zm9v");
    EXPECT_EQ(runOn.size(), 5u);
    EXPECT_EQ(runOn.substr(0, 2), "fo");
}

TEST(PackageCodec, PartialGroupsYieldTheirCompleteBytes) {
    EXPECT_EQ(Decode("Z"), "");
    EXPECT_EQ(Decode("Zm"), "f");
    EXPECT_EQ(Decode("Zm9"), "fo");
    EXPECT_EQ(Decode("Zm9vY"), "foo");
}

TEST(PackageCodec, BoundedDecodeNeverWritesPastItsCapacity) {
    unsigned char out[8];
    std::memset(out, 0xAA, sizeof out);
    EXPECT_EQ(Base64Decode(out, 2, "Zm9vYmFy"), 2);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(out), 2), "fo");
    for (std::size_t i = 2; i < sizeof out; ++i) EXPECT_EQ(out[i], 0xAA) << "byte " << i;

    EXPECT_EQ(Base64Decode(out, 0, "Zm9v"), 0);
    EXPECT_EQ(out[0], 'f');  // untouched from before
}

TEST(PackageCodec, LargestWireTextFitsTheDecodeBuffer) {
    const std::string text(65535, 'A');
    std::vector<unsigned char> out(49152);
    EXPECT_EQ(Base64Decode(out.data(), out.size(), text.c_str()), 49151);
}

TEST(PackageCodec, InvertBytesBoundaries) {
    EXPECT_EQ(InvertBytes(static_cast<unsigned char*>(nullptr), 4), -1);
    EXPECT_EQ(InvertBytes(static_cast<char*>(nullptr), 0), -1);

    unsigned char bytes[] = {0x00, 0x0F, 0xFF};
    EXPECT_EQ(InvertBytes(bytes, 0), 0);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(InvertBytes(bytes, -1), -1);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(InvertBytes(bytes, 2), 0);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xF0);
    EXPECT_EQ(bytes[2], 0xFF) << "only len bytes change";
}

}  // namespace
