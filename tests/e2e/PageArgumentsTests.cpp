// The page's calls as the binding brings them: strings arrive as the UTF-16 units the page counted,
// and bytes that are no well-formed UTF-8 read as everywhere else in the simulator.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "browser/PageArguments.hpp"
#include "host/Encoding.hpp"
#include "host/Error.hpp"
#include "UniStringUnits.hpp"

namespace {

std::u16string Units(const GS::Ref<JS::Base, GS::Counter>& value)
{
    auto scalar = GS::DynamicCast<JS::Value>(value);
    if (scalar == nullptr || scalar->GetType() != JS::Value::STRING)
        return u"(not a string)";
    return std::u16string(Substitute::Units(scalar->GetString()));
}

std::string Encoded(const std::string& bytes, std::size_t units)
{
    return "s" + std::to_string(units) + ":" + bytes;
}

TEST(PageArguments, StringsArriveAsTheUnitsThePageCounted)
{
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded("", 0))), u"");
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded(std::string("a\0b", 3), 3))), std::u16string(u"a\0b", 3));
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded("žluťoučký", 9))), u"žluťoučký");
    EXPECT_EQ(Units(sim::DecodePageValue(Encoded("😀x", 3))), u"😀x");
    // In an array the next value starts right after the counted units.
    auto array = GS::DynamicCast<JS::Array>(sim::DecodePageValue("a2:" + Encoded("€", 1) + Encoded("😀", 2)));
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->GetItemArray().GetSize(), 2u);
    EXPECT_EQ(Units(array->GetItemArray()[0]), u"€");
    EXPECT_EQ(Units(array->GetItemArray()[1]), u"😀");

    // A count that disagrees with the text is refused, never read past.
    for (const std::string& payload : {Encoded("😀", 1), Encoded("ab", 3), Encoded("€", 2), Encoded("ab", 1)})
        EXPECT_THROW(sim::DecodePageValue(payload), sim::Error) << payload;
}

TEST(PageArguments, BytesThatAreNoWellFormedUtf8ReadAsEverywhereElse)
{
    const std::vector<std::string> illFormed = {
        "\x80",                  // a continuation byte alone
        "a\xC3",                 // cut short at the end
        "\xE2\x82" "A",          // cut short before a letter
        "\xC0\xAF",              // overlong '/'
        "\xE0\x80\xAF",          // overlong '/' in three bytes
        "\xED\xA0\x80",          // a surrogate
        "\xF4\x90\x80\x80",      // beyond U+10FFFF
        "\xF8\x88\x80\x80\x80",  // a five-byte form
        "\xFF" "b\xFE",
    };
    for (const std::string& bytes : illFormed) {
        const std::u16string expected = sim::Utf16FromUtf8(bytes);
        EXPECT_EQ(Units(sim::DecodePageValue(Encoded(bytes, expected.size()))), expected) << Encoded(bytes, expected.size());
    }
    // Each such byte is one U+FFFD: the string ends where its count says, and what follows is read.
    auto array = GS::DynamicCast<JS::Array>(sim::DecodePageValue("a2:" + Encoded("\xC0\xAF", 2) + "t"));
    ASSERT_NE(array, nullptr);
    ASSERT_EQ(array->GetItemArray().GetSize(), 2u);
    EXPECT_EQ(Units(array->GetItemArray()[0]), u"\uFFFD\uFFFD");
}

}  // namespace
