// Each way of decoding Base64 (scalar, SSE4.1, AVX2), forced one at a time, against the plain
// letter-by-letter decoder: clean texts of every length, a foreign unit of every kind at every
// place in a vector block, random and hostile texts, in 8-bit and in UTF-16 units, read from and
// written to blocks that end exactly where the text and the bytes do.

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Base64.hpp"
#include "PlainAlgorithms.hpp"

namespace {

using Base64::Path;
using Random = std::mt19937_64;

const std::string Alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

std::size_t Pick(Random& random, std::size_t count)
{
    return std::uniform_int_distribution<std::size_t>(0, count - 1)(random);
}

std::u16string Letters(Random& random, std::size_t count)
{
    std::u16string text;
    for (std::size_t i = 0; i < count; ++i)
        text.push_back(static_cast<char16_t>(Alphabet[Pick(random, Alphabet.size())]));
    return text;
}

// The plain decoder reads 8 bits; every unit beyond ASCII is skipped, as a byte outside the
// alphabet is.
std::vector<char> PlainBytes(const std::u16string& text)
{
    std::string eightBit;
    for (const char16_t unit : text)
        eightBit.push_back(unit < 0x80 ? static_cast<char>(unit) : '\x80');
    return plain::DecodeBase64(eightBit);
}

// Decoded into a heap block exactly as long as the plain decoder's result, read from a heap block
// exactly as long as the text (the sanitizer build catches a load or a store beyond either), and
// into a larger buffer whose tail must stay untouched.
template <typename Unit>
void ExpectBytes(const std::basic_string<Unit>& text, Path path, const std::vector<char>& expected,
                 const std::string& what)
{
    const auto exactText = std::make_unique<Unit[]>(text.size());
    std::copy(text.begin(), text.end(), exactText.get());
    std::vector<char> guarded(expected.size() + 64, '\x5a');
    const std::size_t size = Base64::DecodeInto(exactText.get(), text.size(), guarded.data(), path);
    ASSERT_EQ(size, expected.size()) << what;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), guarded.begin())) << what;
    EXPECT_EQ(guarded[size], '\x5a') << what << ": written beyond the decoded bytes";
    const auto exact = std::make_unique<char[]>(expected.size());
    EXPECT_EQ(Base64::DecodeInto(text.data(), text.size(), exact.get(), path), size) << what;
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), exact.get())) << what;
}

// The same text as UTF-16 units and, when it has no unit beyond 0xFF, as 8-bit units.
void ExpectPlainBytes(const std::u16string& text, Path path, const std::string& what)
{
    ExpectBytes(text, path, PlainBytes(text), what + " (UTF-16)");
    std::string eightBit;
    for (const char16_t unit : text) {
        if (unit > 0xFF)
            return;
        eightBit.push_back(static_cast<char>(unit));
    }
    ExpectBytes(eightBit, path, plain::DecodeBase64(eightBit), what + " (8-bit)");
}

class Base64Path : public testing::TestWithParam<Path> {
protected:
    void SetUp() override
    {
        if (!Base64::PathAvailable(GetParam()))
            GTEST_SKIP() << "this processor has no " << Base64::PathName(GetParam());
    }
};

TEST_P(Base64Path, CleanTextsOfEveryLengthWithAndWithoutPadding)
{
    Random random(1);
    for (std::size_t length = 0; length <= 200; ++length) {
        const std::u16string letters = Letters(random, length);
        for (const char16_t* tail : {u"", u"=", u"==", u"\n"})
            ExpectPlainBytes(letters + tail, GetParam(), "length " + std::to_string(length));
    }
}

TEST_P(Base64Path, ForeignUnitsAnywhereInABlockAreSkipped)
{
    // Bytes beside the letter ranges, padding, blanks, the URL-safe letters, bytes beyond ASCII,
    // and units whose low byte is a letter.
    const std::u16string foreign = {u'=', u'\n', u'\r', u' ', u'\t', u'-', u'_', u'\0', u'@', u'[', u'`', u'{',
                                    u'*', u',', u'.', u':', u'?', u'\x7f', u'\x80', u'\xe1', u'\xff', u'\x2a',
                                    char16_t(0x0141), char16_t(0x412B), char16_t(0xFF2F), char16_t(0x0100),
                                    char16_t(0x2B00), char16_t(0xFF2B), char16_t(0x2F2F), char16_t(0x7A7A),
                                    char16_t(0xD800), char16_t(0xDFFF), char16_t(0xFFFF), char16_t(0x8041)};
    Random random(2);
    const std::u16string letters = Letters(random, 131);
    for (const char16_t unit : foreign) {
        for (std::size_t at = 0; at <= 70; ++at) {
            std::u16string text = letters;
            text.insert(at, 1, unit);
            ExpectPlainBytes(text, GetParam(), "unit " + std::to_string(unit) + " at " + std::to_string(at));
        }
    }
}

// Units whose low or high byte is a letter, where narrowing two-byte units to bytes could take them
// for one: at every place of texts of 64 to 127 units, so that every tail the vector runs leave
// and every place in a block where they stop is met.
TEST_P(Base64Path, WideUnitsAtEveryPlaceOfEveryLengthAreSkipped)
{
    Random random(6);
    const std::u16string letters = Letters(random, 127);
    for (const char16_t unit : {char16_t(0x0141), char16_t(0x2B00), char16_t(0xFF2B), char16_t(0x8030)}) {
        for (std::size_t length = 64; length < 128; ++length) {
            for (std::size_t at = 0; at < length; ++at) {
                std::u16string text = letters.substr(0, length);
                text[at] = unit;
                ExpectBytes(text, GetParam(), PlainBytes(text),
                            "unit " + std::to_string(unit) + " at " + std::to_string(at) + " of " +
                                std::to_string(length));
                if (HasFailure())
                    return;
            }
        }
    }
}

TEST_P(Base64Path, EveryByteAndEveryUnitIsJudgedAsThePlainDecoderJudgesIt)
{
    Random random(3);
    const std::u16string letters = Letters(random, 72);
    for (unsigned unit = 0; unit <= 0xFFFF; ++unit) {
        std::u16string text = letters;
        text[unit % 64] = static_cast<char16_t>(unit);
        const std::vector<char> expected = PlainBytes(text);
        std::vector<char> bytes(expected.size() + 8);
        const std::size_t size = Base64::DecodeInto(text.data(), text.size(), bytes.data(), GetParam());
        bytes.resize(size);
        ASSERT_EQ(bytes, expected) << "unit " << unit;
        if (unit <= 0xFF) {
            std::string eightBit(text.begin(), text.end());
            std::vector<char> bytes8(expected.size() + 8);
            bytes8.resize(Base64::DecodeInto(eightBit.data(), eightBit.size(), bytes8.data(), GetParam()));
            ASSERT_EQ(bytes8, plain::DecodeBase64(eightBit)) << "byte " << unit;
        }
    }
}

TEST_P(Base64Path, RandomTextsWithSparseAndDenseForeignUnits)
{
    Random random(4);
    const std::u16string foreign = {u'=', u'\n', u'\r', u' ', u'-', u'_', u'\xe9', char16_t(0x0660),
                                    char16_t(0xFEFF), u'\0', char16_t(0xD834)};
    for (int round = 0; round < 3000; ++round) {
        const std::size_t length = Pick(random, round < 2000 ? 300 : 5000);
        const std::size_t oneIn = 1 + Pick(random, round % 3 == 0 ? 4 : 400);
        std::u16string text;
        while (text.size() < length) {
            if (Pick(random, oneIn) == 0)
                text.push_back(foreign[Pick(random, foreign.size())]);
            else
                text.push_back(static_cast<char16_t>(Alphabet[Pick(random, Alphabet.size())]));
        }
        ExpectPlainBytes(text, GetParam(), "round " + std::to_string(round));
        if (HasFailure())
            return;
    }
}

TEST_P(Base64Path, LinesOfEveryWidthAndLongTexts)
{
    Random random(5);
    const std::u16string clean = Letters(random, 20000);
    for (std::size_t width = 1; width <= 80; ++width) {
        for (const char16_t* lineBreak : {u"\n", u"\r\n"}) {
            std::u16string text;
            for (std::size_t i = 0; i < 3000; i += width)
                text.append(clean, i, std::min(width, 3000 - i)).append(lineBreak);
            ExpectPlainBytes(text, GetParam(), "width " + std::to_string(width));
        }
    }
    ExpectPlainBytes(clean + u"==", GetParam(), "20000 letters");
}

TEST_P(Base64Path, HostileTextsGiveThePlainBytes)
{
    const std::u16string all = u"====================================================================";
    ExpectPlainBytes(all, GetParam(), "padding only");
    ExpectPlainBytes(std::u16string(100, char16_t(0x4141)), GetParam(), "units whose bytes are letters");
    ExpectPlainBytes(std::u16string(100, u'A') + u'=' + std::u16string(100, u'B'), GetParam(), "padding inside");
    std::u16string alternating;
    for (int i = 0; i < 500; ++i)
        alternating += (i % 2) ? u"=" : u"Zm9v";
    ExpectPlainBytes(alternating, GetParam(), "groups between padding");
    std::u16string shifted;
    for (int i = 0; i < 200; ++i)
        shifted += u"QUJ\nDRE";  // groups of four never line up with the breaks
    ExpectPlainBytes(shifted, GetParam(), "misaligned groups");
    ExpectPlainBytes(std::u16string(1000, u'/') + u'+', GetParam(), "highest letters");
}

std::string PathLabel(const testing::TestParamInfo<Path>& info)
{
    switch (info.param) {
        case Path::Scalar: return "Scalar";
        case Path::Sse41: return "Sse41";
        case Path::Avx2: return "Avx2";
    }
    return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(AllPaths, Base64Path, testing::Values(Path::Scalar, Path::Sse41, Path::Avx2), PathLabel);

TEST(Base64Dispatch, TheChosenPathIsOneThisProcessorHas)
{
    EXPECT_TRUE(Base64::PathAvailable(Base64::BestPath()));
    EXPECT_TRUE(Base64::PathAvailable(Path::Scalar));
    if (Base64::PathAvailable(Path::Avx2)) {
        EXPECT_EQ(Base64::BestPath(), Path::Avx2);
    }
}

}  // namespace
