// The point reader and the Base64 decoder against their plain forms, on random inputs built to
// hit the corners: exponents, signs, hex, inf and nan, garbage lines, odd and non-ASCII units.

#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

#include "Bridge.hpp"
#include "NumberReading.hpp"
#include "PlainAlgorithms.hpp"
#include "UniStringUnits.hpp"

namespace {

using Random = std::mt19937_64;

std::size_t Pick(Random& random, std::size_t count)
{
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
}

std::string Digits(Random& random, std::size_t most)
{
    std::string digits;
    const std::size_t count = 1 + Pick(random, most);
    for (std::size_t i = 0; i < count; ++i)
        digits.push_back(static_cast<char>('0' + Pick(random, 10)));
    return digits;
}

// A token that strtod may or may not read, and may read only in part.
std::string NumberToken(Random& random)
{
    static const char* const odd[] = {
        "inf", "-INF", "Infinity", "+infinity", "nan", "-NaN", "nan(123abc)", "nan(", "0x1A", "0X1.8p3", "-0x.8p-2",
        "0x", "0xg", "1e999", "-1e999", "1e-400", "4.9e-324", "2.2250738585072011e-308", ".", "-", "+", "+-1", "-+1",
        "--1", "e5", ".e5", "1e", "1e+", "1E-", "1.e5", "-.5", "+.5e+2", "1,5", "1-2-3", "0", "-0", "+0.0", "00012",
        "1_000", "12abc", "3.14x", "x", "#", "é", "9.007199254740993e15", "123456789012345678901234567890.5e-10",
        "0.1e1000000000000"};
    switch (Pick(random, 8)) {
        case 0: return odd[Pick(random, std::size(odd))];
        case 1: return Digits(random, 90);  // longer than any quick buffer
        case 2: {
            std::string token(Pick(random, 2) ? "-" : "");
            token.append(Digits(random, 7)).append(".").append(Digits(random, 4));
            return token;
        }
        default: {
            std::string token;
            const std::size_t sign = Pick(random, 4);
            token += sign == 0 ? "-" : sign == 1 ? "+" : "";
            token += Digits(random, 8);
            if (Pick(random, 2))
                token.append(".").append(Digits(random, 6));
            if (Pick(random, 3) == 0)
                token.append(Pick(random, 2) ? "e" : "E").append(Pick(random, 2) ? "-" : "+").append(Digits(random, 3));
            return token;
        }
    }
}

std::string Separator(Random& random)
{
    static const char* const separators[] = {" ", "  ", "\t", " \t ", "\r", "\v", "\f", "", ",", ";", "\xc2\xa0"};
    return separators[Pick(random, std::size(separators))];
}

// UTF-16 units the 8-bit form turns into several bytes, a replacement character or a zero byte.
std::u16string OddUnits(Random& random)
{
    static const char16_t* const odd[] = {u"\u00e9", u"\u0660", u"\uff11", u"\ufeff", u"\x0000"};
    if (Pick(random, 5) == 0)
        return std::u16string(1, static_cast<char16_t>(0xD800 + Pick(random, 0x800)));  // unpaired surrogate
    const char16_t* unit = odd[Pick(random, std::size(odd))];
    return unit[0] == 0 ? std::u16string(1, u'\0') : std::u16string(unit);
}

GS::UniString RandomPointText(Random& random, std::size_t lines)
{
    std::u16string text;
    for (std::size_t line = 0; line < lines; ++line) {
        const std::size_t numbers = Pick(random, 6);
        for (std::size_t i = 0; i < numbers; ++i) {
            if (i > 0 || Pick(random, 4) == 0)
                text += std::u16string(Substitute::Units(GS::UniString(Separator(random).c_str())));
            if (Pick(random, 25) == 0)
                text += OddUnits(random);
            text += std::u16string(Substitute::Units(GS::UniString(NumberToken(random).c_str())));
        }
        if (Pick(random, 6) == 0)
            text += u" trailing words";
        text += Pick(random, 5) == 0 ? u"\r\n" : Pick(random, 15) == 0 ? u"\n\n" : u"\n";
    }
    if (Pick(random, 2))
        text += std::u16string(Substitute::Units(GS::UniString(NumberToken(random).c_str())));  // no final line break
    return GS::UniString(std::move(text));
}

::testing::AssertionResult SamePoints(const std::vector<API_Coord3D>& fast, const std::vector<API_Coord3D>& expected)
{
    if (fast.size() != expected.size())
        return ::testing::AssertionFailure() << fast.size() << " points instead of " << expected.size();
    for (std::size_t i = 0; i < fast.size(); ++i) {
        // Bit for bit, so that a lost minus sign of a zero shows.
        if (std::memcmp(&fast[i], &expected[i], sizeof(API_Coord3D)) != 0)
            return ::testing::AssertionFailure()
                   << "point " << i << ": " << fast[i].x << " " << fast[i].y << " " << fast[i].z << " instead of "
                   << expected[i].x << " " << expected[i].y << " " << expected[i].z;
    }
    return ::testing::AssertionSuccess();
}

TEST(FastPointReading, GivesTheStrtodPointsOnRandomTexts)
{
    Random random(20261208);
    for (int round = 0; round < 400; ++round) {
        const GS::UniString text = RandomPointText(random, 1 + Pick(random, 40));
        for (int numbers : {2, 3}) {
            ASSERT_TRUE(SamePoints(Placement::ReadPointLines(text, numbers), plain::ReadPointLines(text, numbers)))
                << "round " << round << ", " << numbers << " numbers per point, text: " << text.ToUtf8();
        }
    }
}

TEST(FastPointReading, GivesTheStrtodPointsForEveryOddTokenInEveryPosition)
{
    Random random(7);
    for (int round = 0; round < 300; ++round) {
        std::string line;
        for (int i = 0; i < 3; ++i)
            line.append(i ? " " : "").append(NumberToken(random));
        std::string twice(line);
        twice.append("\n1 2 3\n").append(line);
        const GS::UniString text(twice.c_str());
        for (int numbers : {2, 3})
            ASSERT_TRUE(SamePoints(Placement::ReadPointLines(text, numbers), plain::ReadPointLines(text, numbers)))
                << line;
    }
}

TEST(FastPointReading, ReadsLongTextsOfPlainTriplesAsStrtodDoes)
{
    Random random(11);
    std::uniform_real_distribution<double> coordinate(-1.2e6, -7e5);
    std::string text;
    char line[128];
    for (int i = 0; i < 20000; ++i) {
        std::snprintf(line, sizeof line, "%.*f %.*f %.*f\n", static_cast<int>(Pick(random, 4)), coordinate(random),
                      static_cast<int>(Pick(random, 4)), coordinate(random), static_cast<int>(Pick(random, 17)),
                      coordinate(random) / 1000.0);
        text += line;
    }
    const GS::UniString points(text.c_str());
    const auto fast = Placement::ReadPointLines(points, 3);
    EXPECT_EQ(fast.size(), 20000u);
    EXPECT_TRUE(SamePoints(fast, plain::ReadPointLines(points, 3)));
}

// Lines of every length and every count of them, so that line breaks fall on every unit of the
// blocks the text is scanned in, and texts end anywhere within one.
TEST(FastPointReading, GivesTheStrtodPointsWhereverTheLineBreaksFall)
{
    Random random(31);
    for (std::size_t length = 0; length < 80; ++length) {
        for (int round = 0; round < 6; ++round) {
            std::string text;
            while (text.size() < length) {
                static constexpr const char* pieces[] = {"1", "2.5", " ", "-3", "\n", "\n", "4e2", "\t"};
                text += pieces[Pick(random, std::size(pieces))];
            }
            text.resize(length);
            const GS::UniString points(text.c_str());
            for (int numbers : {2, 3})
                ASSERT_TRUE(SamePoints(Placement::ReadPointLines(points, numbers), plain::ReadPointLines(points, numbers)))
                    << "text: " << text;
        }
    }
}

std::string RandomBase64Text(Random& random, std::size_t length)
{
    static const std::string letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    static constexpr std::string_view extras[] = {"=", "==", "\r\n", "\n", " ", "\t", "-", "_", "\xc3\xa1", "\xff",
                                                  "\x80", std::string_view("\0", 1), "%", "."};
    std::string text;
    while (text.size() < length) {
        if (Pick(random, 6) == 0) {
            text += extras[Pick(random, std::size(extras))];
        } else {
            const std::size_t run = 1 + Pick(random, 12);
            for (std::size_t i = 0; i < run; ++i)
                text.push_back(letters[Pick(random, letters.size())]);
        }
    }
    return text;
}

TEST(FastBase64, GivesThePlainDecodersBytesOnRandomTexts)
{
    Random random(64);
    for (int round = 0; round < 2000; ++round) {
        const std::string text = RandomBase64Text(random, Pick(random, 200));
        ASSERT_EQ(DecodeBase64(text), plain::DecodeBase64(text)) << "round " << round;
    }
}

TEST(FastBase64, GivesThePlainDecodersBytesOnLongCleanAndBrokenTexts)
{
    Random random(65);
    std::string clean;
    for (int i = 0; i < 100000; ++i)
        clean.push_back("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/"[Pick(random, 64)]);
    for (const std::string& tail : {std::string(), std::string("="), std::string("=="), std::string("A"),
                                    std::string("AB="), std::string("ABC")}) {
        EXPECT_EQ(DecodeBase64(clean + tail), plain::DecodeBase64(clean + tail));
    }
    std::string broken;
    for (std::size_t i = 0; i < clean.size(); i += 76)
        broken.append(clean, i, 76).append("\r\n");
    EXPECT_EQ(DecodeBase64(broken), plain::DecodeBase64(clean));
}

TEST(FastBase64, PageTextsAreReadInPlaceWithTheBytesOfTheir8BitForm)
{
    Random random(66);
    for (int round = 0; round < 500; ++round) {
        std::u16string units = std::u16string(Substitute::Units(GS::UniString(RandomBase64Text(random, Pick(random, 120)).c_str())));
        for (int odd = static_cast<int>(Pick(random, 4)); odd > 0; --odd)
            units.insert(Pick(random, units.size() + 1), OddUnits(random));
        const GS::UniString text(std::move(units));
        const JSArgs args{GS::NewRef<JS::Value>(text)};
        std::vector<char> bytes{'s', 't', 'a', 'l', 'e'};
        BytesArgument(bytes, args, 0);
        const GS::UniString::CStr eightBit = text.ToCStr(CC_Default);
        ASSERT_EQ(bytes, plain::DecodeBase64(std::string(eightBit.Get(), eightBit.GetLength()))) << "round " << round;
    }
}

}  // namespace
