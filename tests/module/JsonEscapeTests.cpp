#include <gtest/gtest.h>

#include "AttributeCatalogue.hpp"
#include "UniStringUnits.hpp"

namespace {

GS::UniString Escape(const char16_t* text)
{
    return JsonEscape(GS::UniString(std::u16string(text)));
}

TEST(JsonEscape, QuoteAndBackslashGetOneBackslashEach)
{
    EXPECT_EQ(Escape(u"Vrstva \"A\" \\ B"), GS::UniString(std::u16string(u"Vrstva \\\"A\\\" \\\\ B")));
    EXPECT_EQ(Escape(u"\\\\"), GS::UniString(std::u16string(u"\\\\\\\\")));
    EXPECT_EQ(Escape(u"\""), GS::UniString(std::u16string(u"\\\"")));
}

TEST(JsonEscape, ControlCharactersAreDroppedAndTheRestJoined)
{
    EXPECT_EQ(Escape(u"a\tb\nc\rd"), GS::UniString("abcd"));
    EXPECT_EQ(Escape(u"\x01\x1f"), GS::UniString());
    std::u16string withZero(u"x");
    withZero += u'\0';
    withZero += u"y";
    EXPECT_EQ(JsonEscape(GS::UniString(withZero)), GS::UniString("xy"));
}

TEST(JsonEscape, EverythingElseIsCopiedUnchanged)
{
    // Czech letters, a surrogate pair, the solidus, DEL and the space stay as they are.
    const std::u16string kept = u"Čáslav/ř \U0001F3E0\x7f";
    EXPECT_EQ(std::u16string(Substitute::Units(JsonEscape(GS::UniString(kept)))), kept);
    EXPECT_TRUE(JsonEscape(GS::UniString()).IsEmpty());
}

TEST(JsonEscape, UnpairedSurrogatesAreNotTouched)
{
    const std::u16string lone(1, char16_t(0xD800));
    EXPECT_EQ(std::u16string(Substitute::Units(JsonEscape(GS::UniString(lone)))), lone);
}

}  // namespace
