#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "GSRoot.hpp"
#include "TestSupport.hpp"
#include "UniStringUnits.hpp"

namespace {

TEST(UniStringConversion, CzechTextRoundTripsThroughUtf8)
{
    const char* czech = "Vložit terén – Průhonice, ČÚZK";
    const GS::UniString text(czech);
    EXPECT_EQ(text.GetLength(), 30u);  // each Czech letter is one code unit
    EXPECT_EQ(text[3], u'ž');
    EXPECT_STREQ(text.ToCStr().Get(), czech);
    EXPECT_STREQ(text.ToCStr(CC_UTF8).Get(), czech);
    EXPECT_TRUE(text == czech);
}

TEST(UniStringConversion, CharacterOutsideTheBasicPlaneUsesASurrogatePair)
{
    const GS::UniString text("map \xF0\x9F\x97\xBA!");  // U+1F5FA
    ASSERT_EQ(text.GetLength(), 7u);
    EXPECT_EQ(text[4], 0xD83D);
    EXPECT_EQ(text[5], 0xDDFA);
    EXPECT_EQ(text.ToUtf8(), "map \xF0\x9F\x97\xBA!");
}

TEST(UniStringConversion, UnpairedSurrogatesBecomeReplacementCharacters)
{
    const char16_t units[] = {u'a', 0xD800, u'b', 0xDC00, 0};
    const GS::UniString text(units);
    EXPECT_EQ(text.ToUtf8(), "a\xEF\xBF\xBD" "b\xEF\xBF\xBD");
}

TEST(UniStringConversion, NulCharacterIsKeptAsAZeroByte)
{
    const char bytes[] = {'a', '\0', 'b'};
    const GS::UniString text(bytes, 3, CC_UTF8);
    ASSERT_EQ(text.GetLength(), 3u);
    const GS::UniString::CStr converted = text.ToCStr(CC_UTF8);
    EXPECT_EQ(converted.GetLength(), 3u);
    EXPECT_EQ(std::memcmp(converted.Get(), bytes, 3), 0);
    EXPECT_STREQ(converted.Get(), "a");  // a C reader stops at the zero byte
}

TEST(UniStringConversion, InvalidUtf8BytesDecodeToReplacementCharacters)
{
    // A stray continuation byte, a lead byte cut short, an overlong form and an encoded surrogate.
    const GS::UniString text("a\x80" "b\xC3" "c\xC0\xAF" "d\xED\xA0\x80" "e");
    EXPECT_EQ(std::u16string(Substitute::Units(text)), u"a\uFFFDb\uFFFDc\uFFFD\uFFFDd\uFFFD\uFFFD\uFFFDe");
    const GS::UniString truncatedAtEnd("x\xE2\x82");
    EXPECT_EQ(std::u16string(Substitute::Units(truncatedAtEnd)), u"x\uFFFD\uFFFD");
}

TEST(UniStringConversion, OtherCharacterCodesAreLatin1)
{
    const GS::UniString text("caf\xE9", CC_WestEuropean);
    EXPECT_EQ(std::u16string(Substitute::Units(text)), u"café");
    EXPECT_STREQ(GS::UniString("Průhonice").ToCStr(CC_WestEuropean).Get(), "Pr?honice");
}

TEST(UniStringConversion, NullTextsAreEmpty)
{
    EXPECT_TRUE(GS::UniString(static_cast<const char*>(nullptr)).IsEmpty());
    EXPECT_TRUE(GS::UniString(static_cast<const char16_t*>(nullptr)).IsEmpty());
}

TEST(UniStringPrintf, FormatsNumbersAndReadsTheResultAsUtf8)
{
    EXPECT_EQ(GS::UniString::Printf("kod=%d ", -7003), "kod=-7003 ");
    EXPECT_EQ(GS::UniString::Printf("_%lu_%u", 1700000000UL, 3u), "_1700000000_3");
    EXPECT_EQ(GS::UniString::Printf("%s %d", "Vložit", 2).GetLength(), 8u);
}

// The host formats with "." whatever locale its user has, and so does its debug log.
TEST(UniStringPrintf, NumbersAreTheSameUnderEveryLocale)
{
    const auto format = [] {
        return GS::UniString::Printf("%.4f %.3f %.2f %g %e %d", -743500.5, 12345.0625, -7.125, 1e-5, 2.5, 1234567)
            .ToUtf8();
    };
    const std::string reference = format();
    EXPECT_EQ(reference, "-743500.5000 12345.062 -7.12 1e-05 2.500000e+00 1234567");
    DBClearPrintedText();
    DBPrintf("zmin=%.2f", 1.5);
    const std::string referenceLog = DBGetPrintedText();
    for (const char* name : {"cs_CZ.UTF-8", "de_DE.UTF-8"}) {
        test::ProcessLocale locale(name);
        REQUIRE_LOCALE(locale, name);
        EXPECT_EQ(format(), reference) << name;
        DBClearPrintedText();
        DBPrintf("zmin=%.2f", 1.5);
        EXPECT_EQ(DBGetPrintedText(), referenceLog) << name;
    }
}

TEST(UniStringPrintf, ResultLongerThanAnyFixedBuffer)
{
    const std::string longText(5000, 'x');
    const GS::UniString text = GS::UniString::Printf("[%s]", longText.c_str());
    EXPECT_EQ(text.GetLength(), 5002u);
    EXPECT_EQ(text[5001], u']');
}

TEST(UniStringOperations, SubstringsPrefixesAndBounds)
{
    const GS::UniString text("https://example.org/x");
    EXPECT_TRUE(text.BeginsWith("https://"));
    EXPECT_FALSE(text.BeginsWith("https://example.org/x/longer"));
    EXPECT_TRUE(text.EndsWith("/x"));
    EXPECT_EQ(text.GetSubstring(8, 7), "example");
    EXPECT_EQ(text.GetSubstring(19, 100), "/x");
    EXPECT_TRUE(text.GetSubstring(100, 1).IsEmpty());
    EXPECT_EQ(text.GetSuffix(2), "/x");
    EXPECT_THROW(text[text.GetLength()], GS::IndexOutOfBoundsException);
    EXPECT_EQ("a" + GS::UniString("b") + "c", "abc");
}

TEST(UcsCopy, BoundedCopyAlwaysTerminates)
{
    char16_t buffer[4] = {u'#', u'#', u'#', u'#'};
    GS::ucsncpy(buffer, u"abcdef", 4);
    EXPECT_EQ(std::u16string(buffer), u"abc");
    GS::ucsncpy(buffer, u"z", 4);
    EXPECT_EQ(std::u16string(buffer), u"z");

    char16_t unbounded[16];
    GS::ucscpy(unbounded, GS::UniString("texture.png").ToUStr());
    EXPECT_EQ(GS::ucslen(unbounded), 11u);
}

TEST(CHTruncate, NeverCutsAUtf8Sequence)
{
    // "žž" is four bytes: a five-byte buffer holds both, four bytes hold only the first.
    char dest[8];
    EXPECT_EQ(CHTruncate("žž", dest, 5), 4);
    EXPECT_STREQ(dest, "žž");
    EXPECT_EQ(CHTruncate("žž", dest, 4), 2);
    EXPECT_STREQ(dest, "ž");
    EXPECT_EQ(CHTruncate("a€", dest, 3), 1);  // the euro sign takes three bytes
    EXPECT_STREQ(dest, "a");
}

TEST(CHTruncate, Latin1CutsAtTheByteLimit)
{
    char dest[4];
    EXPECT_EQ(CHTruncate("\xE9\xE9\xE9\xE9\xE9", dest, 4, CC_WestEuropean), 3);
    EXPECT_EQ(std::strlen(dest), 3u);
}

TEST(CHTruncate, DegenerateBuffers)
{
    char dest[2] = {'x', 'x'};
    EXPECT_EQ(CHTruncate("abc", dest, 0), 0);
    EXPECT_EQ(dest[0], 'x');
    EXPECT_EQ(CHTruncate("abc", dest, 1), 0);
    EXPECT_EQ(dest[0], '\0');
    EXPECT_EQ(CHTruncate(nullptr, dest, 2), 0);
}

}  // namespace
