#include <gtest/gtest.h>

#include <string>

#include "BoundedText.hpp"
#include "UniStringUnits.hpp"

namespace {

const std::u16string Map = u"\U0001F5FA";  // one character, two code units

std::u16string Bounded(const std::u16string& text, UInt32 capacity)
{
    return std::u16string(Substitute::Units(BoundedText(GS::UniString(text), capacity)));
}

}  // namespace

TEST(BoundedText, ShortTextsAreKept)
{
    EXPECT_EQ(Bounded(u"KN", 256), u"KN");
    EXPECT_EQ(Bounded(u"", 256), u"");
    EXPECT_EQ(Bounded(u"Zpráva " + Map, 256), u"Zpráva " + Map);
    EXPECT_EQ(Bounded(std::u16string(255, u'x'), 256), std::u16string(255, u'x'));
}

TEST(BoundedText, CutsLeaveRoomForTheTerminator)
{
    EXPECT_EQ(Bounded(std::u16string(400, u'x'), 256), std::u16string(255, u'x'));
    EXPECT_EQ(Bounded(u"abc", 1), u"");
    EXPECT_EQ(Bounded(u"abc", 0), u"");
}

TEST(BoundedText, APairIsKeptWholeOrNotAtAll)
{
    EXPECT_EQ(Bounded(std::u16string(254, u'x') + Map, 256), std::u16string(254, u'x'));
    EXPECT_EQ(Bounded(std::u16string(253, u'x') + Map, 256), std::u16string(253, u'x') + Map);
    EXPECT_EQ(Bounded(std::u16string(253, u'x') + Map + u"y", 256), std::u16string(253, u'x') + Map);
    EXPECT_EQ(Bounded(Map + Map, 4), Map);
    EXPECT_EQ(Bounded(Map, 2), u"");
}

TEST(BoundedText, LoneHalvesBecomeReplacementCharacters)
{
    const std::u16string high(1, char16_t(0xD83D));
    const std::u16string low(1, char16_t(0xDDFA));
    EXPECT_EQ(Bounded(u"a" + high + u"b", 256), u"a\uFFFDb");
    EXPECT_EQ(Bounded(u"a" + low + u"b", 256), u"a\uFFFDb");
    EXPECT_EQ(Bounded(low + high, 256), u"\uFFFD\uFFFD");
    EXPECT_EQ(Bounded(u"a" + high, 256), u"a\uFFFD");
}

TEST(BoundedText, TheCopyIsWhatALookupCompares)
{
    const GS::UniString name(std::u16string(254, u'N') + Map + u"konec");
    GS::uchar_t field[256];
    std::fill(std::begin(field), std::end(field), u'?');
    CopyBoundedText(field, 256, name);
    EXPECT_EQ(GS::UniString(field), BoundedText(name, 256));
    EXPECT_EQ(field[254], 0);

    GS::uchar_t tiny[3] = {u'?', u'?', u'?'};
    CopyBoundedText(tiny, 3, GS::UniString(u"a" + Map));
    EXPECT_EQ(tiny[0], u'a');
    EXPECT_EQ(tiny[1], 0);
}
