#include <gtest/gtest.h>

#include <limits>

#include "Bridge.hpp"
#include "TestSupport.hpp"

namespace {

JSRef Text(const char* utf8)
{
    return GS::NewRef<JS::Value>(GS::UniString(utf8));
}

JSRef Number(double value)
{
    return GS::NewRef<JS::Value>(value);
}

JSRef ArrayOf(std::initializer_list<JSRef> items)
{
    auto array = GS::NewRef<JS::Array>();
    for (const JSRef& item : items)
        array->AddItem(item);
    return array;
}

}  // namespace

TEST(ArgumentList, NullParameterGivesNoArguments)
{
    const JSArgs args = ArgumentList(JSRef());
    EXPECT_EQ(ArgumentCount(args), 0u);
    EXPECT_EQ(NumberArgument(args, 0), 0.0);
    EXPECT_TRUE(StringArgument(args, 0).IsEmpty());
}

TEST(ArgumentList, SingleValueIsAListOfOne)
{
    const JSArgs args = ArgumentList(Text("solo"));
    ASSERT_EQ(ArgumentCount(args), 1u);
    EXPECT_EQ(StringArgument(args, 0), "solo");
}

TEST(ArgumentList, ArrayItemsKeepTheirOrderAndNestedListsReadTheSameWay)
{
    const JSArgs args = ArgumentList(ArrayOf({ArrayOf({Number(1.5), Text("a")}), ArrayOf({}), Number(7)}));
    ASSERT_EQ(ArgumentCount(args), 3u);

    const JSArgs first = ArgumentList(args[0]);
    ASSERT_EQ(ArgumentCount(first), 2u);
    EXPECT_EQ(NumberArgument(first, 0), 1.5);
    EXPECT_EQ(StringArgument(first, 1), "a");
    EXPECT_EQ(ArgumentCount(ArgumentList(args[1])), 0u);
    EXPECT_EQ(NumberArgument(args, 2), 7.0);
}

TEST(ArgumentList, SharesItemsWithoutChangingTheCallersArray)
{
    auto array = GS::NewRef<JS::Array>();
    array->AddItem(Number(1));
    JSArgs args = ArgumentList(array);
    args.Push(Number(2));
    EXPECT_EQ(array->GetItemArray().GetSize(), 1u);
    EXPECT_EQ(static_cast<JS::Base*>(args[0]), static_cast<JS::Base*>(array->GetItemArray()[0]));
}

TEST(NumberArgument, ReadsEveryNumericKind)
{
    const JSArgs args = ArgumentList(ArrayOf({GS::NewRef<JS::Value>(Int32(-42)), GS::NewRef<JS::Value>(UInt32(4000000000u)),
                                              Number(-0.25), Text("  12.5abc"), Text("-3e2")}));
    EXPECT_EQ(NumberArgument(args, 0), -42.0);
    EXPECT_EQ(NumberArgument(args, 1), 4000000000.0);  // beyond int32, still exact
    EXPECT_EQ(NumberArgument(args, 2), -0.25);
    EXPECT_EQ(NumberArgument(args, 3), 12.5);
    EXPECT_EQ(NumberArgument(args, 4), -300.0);
}

// A host may set its user's locale, where the decimal point is a comma; the page's texts keep the point.
TEST(NumberArgument, TextsAreReadWithAPointUnderEveryLocale)
{
    const JSArgs args = ArgumentList(
        ArrayOf({Text("12.5"), Text("7,25"), Text("  -0.125e1abc"), Text("1.5e-3"), Text("0x1.8p1"), Text("1 234.5")}));
    for (const char* name : {"cs_CZ.UTF-8", "de_DE.UTF-8"}) {
        test::ProcessLocale locale(name);
        REQUIRE_LOCALE(locale, name);
        EXPECT_EQ(NumberArgument(args, 0), 12.5) << name;
        EXPECT_EQ(NumberArgument(args, 1), 7.0) << name;  // the comma ends the number, as under "C"
        EXPECT_EQ(NumberArgument(args, 2), -1.25) << name;
        EXPECT_EQ(NumberArgument(args, 3), 0.0015) << name;
        EXPECT_EQ(NumberArgument(args, 4), 3.0) << name;
        EXPECT_EQ(NumberArgument(args, 5), 1.0) << name;  // no grouping either
    }
}

TEST(NumberArgument, AnythingElseReadsZero)
{
    const JSArgs args = ArgumentList(ArrayOf({GS::NewRef<JS::Value>(true), ArrayOf({Number(3)}), Text("abc"), JSRef(),
                                              GS::NewRef<JS::Value>(), JS::Value::Null(),
                                              GS::NewRef<JS::Object>(GS::UniString("o"))}));
    for (UInt32 index = 0; index < ArgumentCount(args); ++index)
        EXPECT_EQ(NumberArgument(args, index), 0.0) << "argument " << index;
    EXPECT_EQ(NumberArgument(args, ArgumentCount(args)), 0.0);
    EXPECT_EQ(NumberArgument(args, std::numeric_limits<UInt32>::max()), 0.0);
}

TEST(StringArgument, OnlyTextsAreTexts)
{
    const JSArgs args = ArgumentList(ArrayOf({Number(12), GS::NewRef<JS::Value>(Int32(5)), GS::NewRef<JS::Value>(false),
                                              ArrayOf({Text("inner")}), JSRef(), Text("Žluťoučký kůň")}));
    for (UInt32 index = 0; index < 5; ++index)
        EXPECT_TRUE(StringArgument(args, index).IsEmpty()) << "argument " << index;
    EXPECT_EQ(StringArgument(args, 5), "Žluťoučký kůň");
    EXPECT_TRUE(StringArgument(args, 6).IsEmpty());
}

TEST(BytesArgument, DecodesTheTextAndReplacesTheVector)
{
    const JSArgs args = ArgumentList(ArrayOf({Text("SGVsbG8="), Number(1)}));
    std::vector<char> bytes{'x', 'y', 'z', 'w', 'v', 'u', 't'};
    const std::vector<char>& decoded = BytesArgument(bytes, args, 0);
    EXPECT_EQ(&decoded, &bytes);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "Hello");

    EXPECT_TRUE(BytesArgument(bytes, args, 1).empty());  // a number is no text
    bytes = {'x'};
    EXPECT_TRUE(BytesArgument(bytes, args, 9).empty());
}
