// The simulator's Base64, hex and UTF-8 unit, which the tests, benchmarks and fuzz targets build
// their expected values with.

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "host/Encoding.hpp"

namespace {

std::string UrlSafe(std::string text)
{
    for (char& c : text) {
        if (c == '+')
            c = '-';
        else if (c == '/')
            c = '_';
    }
    return text;
}

// Every code point of `text`, read one after another.
std::u32string CodePoints(std::string_view text)
{
    std::u32string points;
    for (std::size_t position = 0; position < text.size();)
        points.push_back(sim::NextCodePoint(text, position));
    return points;
}

}  // namespace

TEST(EncodingBase64, KnownTextsOfEachPadding)
{
    const std::vector<std::pair<std::string, std::string>> known = {
        {"", ""},         {"f", "Zg=="},         {"fo", "Zm8="},         {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="}, {"fooba", "Zm9vYmE="}, {"foobar", "Zm9vYmFy"}, {"\xfb\xff", "+/8="}};
    for (const auto& [bytes, text] : known) {
        EXPECT_EQ(sim::EncodeBase64(bytes), text) << bytes;
        EXPECT_EQ(sim::DecodeBase64(text), bytes) << text;
    }
}

TEST(EncodingBase64, EveryLengthUpTo64RoundTripsInBothAlphabets)
{
    for (std::size_t length = 0; length <= 64; ++length) {
        std::string bytes(length, '\0');
        for (std::size_t i = 0; i < length; ++i)
            bytes[i] = static_cast<char>((i * 151 + length * 17 + 0xF8) & 0xFF);  // every high bit pattern comes by
        const std::string text = sim::EncodeBase64(bytes);
        ASSERT_EQ(text.size(), (length + 2) / 3 * 4) << length;
        const std::size_t padding = (3 - length % 3) % 3;
        EXPECT_EQ(text.find('='), padding == 0 ? std::string::npos : text.size() - padding) << text;
        EXPECT_EQ(text.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/="),
                  std::string::npos)
            << text;
        EXPECT_EQ(sim::DecodeBase64(text), bytes) << length;
        EXPECT_EQ(sim::DecodeBase64(UrlSafe(text)), bytes) << length;
        // Unpadded, as URL-safe texts often are.
        EXPECT_EQ(sim::DecodeBase64(UrlSafe(text.substr(0, text.size() - padding))), bytes) << length;
    }
}

TEST(EncodingBase64, DecodingSkipsBreaksAndStopsAtTheFirstPad)
{
    EXPECT_EQ(sim::DecodeBase64("Zm9v\r\nYmFy"), "foobar");
    EXPECT_EQ(sim::DecodeBase64(" Zm 9v\tYg== "), "foob");
    EXPECT_EQ(sim::DecodeBase64("Zg==Zm9v"), "f");
    EXPECT_EQ(sim::DecodeBase64("*%!"), "");
}

TEST(EncodingHex, DigitsOfBothCasesAndNothingElse)
{
    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        int expected = -1;
        if (ch >= '0' && ch <= '9')
            expected = ch - '0';
        else if (ch >= 'a' && ch <= 'f')
            expected = ch - 'a' + 10;
        else if (ch >= 'A' && ch <= 'F')
            expected = ch - 'A' + 10;
        EXPECT_EQ(sim::HexDigitValue(ch), expected) << c;
    }
    EXPECT_EQ(sim::HexWord(0), "0x0");
    EXPECT_EQ(sim::HexWord(0x1A2B), "0x1A2B");
    EXPECT_EQ(sim::HexWord(0xFFFFFFFFu), "0xFFFFFFFF");
}

TEST(EncodingUtf8, WellFormedSequencesOfEachLength)
{
    EXPECT_EQ(CodePoints("A\xc3\xa1\xe2\x82\xac\xf0\x9f\x98\x80"), (std::u32string{U'A', 0xE1, 0x20AC, 0x1F600}));
    EXPECT_EQ(CodePoints("\xc2\x80\xdf\xbf\xe0\xa0\x80\xef\xbf\xbf\xf0\x90\x80\x80\xf4\x8f\xbf\xbf"),
              (std::u32string{0x80, 0x7FF, 0x800, 0xFFFF, 0x10000, 0x10FFFF}));
    EXPECT_EQ(sim::Utf16FromUtf8("\xc5\xbe\xf0\x9f\x98\x80"), (std::u16string{0x17E, 0xD83D, 0xDE00}));
    EXPECT_EQ(sim::Utf16FromUtf8("\xf4\x8f\xbf\xbf"), (std::u16string{0xDBFF, 0xDFFF}));
}

TEST(EncodingUtf8, IllFormedBytesBecomeOneReplacementEach)
{
    const std::vector<std::pair<std::string, std::u32string>> cases = {
        {"\xc0\xaf", {0xFFFD, 0xFFFD}},                          // overlong "/"
        {"\xe0\x80\xaf", {0xFFFD, 0xFFFD, 0xFFFD}},              // overlong, three bytes
        {"\xf0\x80\x80\xaf", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // overlong, four bytes
        {"\xed\xa0\x80", {0xFFFD, 0xFFFD, 0xFFFD}},              // high surrogate
        {"\xed\xbf\xbf", {0xFFFD, 0xFFFD, 0xFFFD}},              // low surrogate
        {"\xf4\x90\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // beyond U+10FFFF
        {"\xe2\x82", {0xFFFD, 0xFFFD}},                          // cut short at the end
        {"\xe2\x82x", {0xFFFD, 0xFFFD, U'x'}},                   // cut short before a letter
        {"\xf0\x9f\x98", {0xFFFD, 0xFFFD, 0xFFFD}},              // four-byte sequence cut short
        {"\x80", {0xFFFD}},                                      // a continuation byte alone
        {"\xf8\x88\x80\x80\x80", {0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD, 0xFFFD}},  // no such lead byte
        {"\xff", {0xFFFD}},
    };
    for (const auto& [bytes, expected] : cases) {
        EXPECT_EQ(CodePoints(bytes), expected) << testing::PrintToString(bytes);
        std::u16string units;
        for (char32_t point : expected)
            units.push_back(static_cast<char16_t>(point));
        EXPECT_EQ(sim::Utf16FromUtf8(bytes), units) << testing::PrintToString(bytes);
    }
}

// The eight-bytes-at-a-time path for ASCII must hand over to the byte reader wherever the first
// other byte falls.
TEST(EncodingUtf8, AsciiRunsAroundOtherBytesAtEveryOffset)
{
    for (std::size_t before = 0; before <= 17; ++before) {
        for (const std::string& other : {std::string("\xc3\xa1"), std::string("\xf0\x9f\x98\x80"), std::string("\xc0")}) {
            const std::string text = std::string(before, 'a') + other + std::string(9, 'b');
            std::u16string expected;
            for (char32_t point : CodePoints(text))
                sim::AppendUtf16(point, expected);
            EXPECT_EQ(sim::Utf16FromUtf8(text), expected) << before;
            EXPECT_EQ(expected.substr(0, before), std::u16string(before, u'a'));
        }
    }
}
