#include <gtest/gtest.h>

#include "Bridge.hpp"

namespace {

std::string Decoded(const std::string& text)
{
    const std::vector<char> bytes = DecodeBase64(text);
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST(DecodeBase64, StandardAlphabetWithAndWithoutPadding)
{
    EXPECT_EQ(Decoded("TWFu"), "Man");
    EXPECT_EQ(Decoded("TWE="), "Ma");
    EXPECT_EQ(Decoded("TWE"), "Ma");
    EXPECT_EQ(Decoded("TQ=="), "M");
    EXPECT_EQ(Decoded("+/+/"), std::string("\xfb\xff\xbf", 3));
}

TEST(DecodeBase64, AllByteValuesSurvive)
{
    // 0x00..0xFF encoded, so every sextet and every output byte value is exercised.
    const std::string encoded =
        "AAECAwQFBgcICQoLDA0ODxAREhMUFRYXGBkaGxwdHh8gISIjJCUmJygpKissLS4vMDEyMzQ1Njc4OTo7PD0+P0BBQkNERUZHSElKS0xN"
        "Tk9QUVJTVFVWV1hZWltcXV5fYGFiY2RlZmdoaWprbG1ub3BxcnN0dXZ3eHl6e3x9fn+AgYKDhIWGh4iJiouMjY6PkJGSk5SVlpeYmZqb"
        "nJ2en6ChoqOkpaanqKmqq6ytrq+wsbKztLW2t7i5uru8vb6/wMHCw8TFxsfIycrLzM3Oz9DR0tPU1dbX2Nna29zd3t/g4eLj5OXm5+jp"
        "6uvs7e7v8PHy8/T19vf4+fr7/P3+/w==";
    const std::vector<char> bytes = DecodeBase64(encoded);
    ASSERT_EQ(bytes.size(), 256u);
    for (int value = 0; value < 256; ++value)
        EXPECT_EQ(static_cast<unsigned char>(bytes[value]), value);
}

TEST(DecodeBase64, LineBreaksAndBlanksDoNotChangeTheBytes)
{
    const std::string plain = "iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR4nGNgYGD4DwABBAEAwS2OUAAAAABJRU5ErkJggg==";
    std::string broken;
    for (std::size_t i = 0; i < plain.size(); i += 19)
        broken += plain.substr(i, 19) + (i % 2 ? "\r\n" : "\n ");
    EXPECT_EQ(DecodeBase64(broken), DecodeBase64(plain));
    EXPECT_EQ(Decoded(plain).substr(1, 3), "PNG");
}

TEST(DecodeBase64, TextsWithoutLettersGiveNothing)
{
    EXPECT_TRUE(DecodeBase64("").empty());
    EXPECT_TRUE(DecodeBase64("====").empty());
    EXPECT_TRUE(DecodeBase64("\r\n\t =-_").empty());
    EXPECT_TRUE(DecodeBase64("Q").empty());  // six bits do not make a byte
}

TEST(DecodeBase64, ForeignBytesAreSkipped)
{
    EXPECT_EQ(Decoded("T-W_F\xc3\xa1u"), "Man");
}
