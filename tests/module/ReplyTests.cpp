#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <stdexcept>

#include "Bridge.hpp"

namespace {

GS::UniString ReplyText(const JSRef& reply)
{
    const auto* value = dynamic_cast<const JS::Value*>(static_cast<JS::Base*>(reply));
    if (value == nullptr || value->GetType() != JS::Value::STRING)
        return "<not a text>";
    return value->GetString();
}

}  // namespace

TEST(GuardedTextReply, PassesTheBodysTextThrough)
{
    EXPECT_EQ(ReplyText(GuardedTextReply([] { return PlacementReply(0, "budov=2 "); })), "kod=0 budov=2 ");
    EXPECT_EQ(ReplyText(GuardedTextReply([] { return GS::UniString(); })), "");
}

TEST(GuardedTextReply, AnyExceptionBecomesTheFixedReply)
{
    const char* const expected = "kod=-7003 EXC_prime ";
    EXPECT_EQ(ReplyText(GuardedTextReply([]() -> GS::UniString { throw GS::GSException("host", nullptr, 0, -5); })),
              expected);
    EXPECT_EQ(ReplyText(GuardedTextReply([]() -> GS::UniString { throw std::runtime_error("std"); })), expected);
    EXPECT_EQ(ReplyText(GuardedTextReply([]() -> GS::UniString { throw 17; })), expected);
    EXPECT_EQ(ReplyText(GuardedTextReply(nullptr)), expected);
}

TEST(GuardedTextReply, DropsWhatTheBodyCollectedBeforeThrowing)
{
    GS::UniString diagnostics;
    const JSRef reply = GuardedTextReply([&diagnostics]() -> GS::UniString {
        diagnostics += "vytvoreno=3 ";
        throw GS::OutOfMemoryException("full");
    });
    EXPECT_EQ(ReplyText(reply), "kod=-7003 EXC_prime ");
}

TEST(GuardedTextReply, ReleasesTheBodyBeforeReturning)
{
    auto captured = std::make_shared<int>(1);
    std::weak_ptr<int> watch = captured;
    const JSRef reply = GuardedTextReply([held = std::move(captured)] { return GS::UniString::Printf("%d", *held); });
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(ReplyText(reply), "1");
}

TEST(PlacementReply, StatusThenDiagnostics)
{
    EXPECT_EQ(PlacementReply(-2130313112, "bodu=2 "), "kod=-2130313112 bodu=2 ");
}

TEST(BoolReply, IsABooleanValue)
{
    const JSRef reply = BoolReply(true);
    const auto* value = dynamic_cast<const JS::Value*>(static_cast<JS::Base*>(reply));
    ASSERT_NE(value, nullptr);
    EXPECT_EQ(value->GetType(), JS::Value::BOOL);
    EXPECT_TRUE(value->GetBool());
}

TEST(NumberToInteger, NaNInfinityAndHugeValuesAreSafe)
{
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(NumberToInt32(nan), 0);
    EXPECT_EQ(NumberToInt32(inf), std::numeric_limits<Int32>::max());
    EXPECT_EQ(NumberToInt32(-inf), std::numeric_limits<Int32>::min());
    EXPECT_EQ(NumberToInt32(1e300), std::numeric_limits<Int32>::max());
    EXPECT_EQ(NumberToInt32(-2147483648.0), std::numeric_limits<Int32>::min());
    EXPECT_EQ(NumberToInt32(2147483647.9), std::numeric_limits<Int32>::max());

    EXPECT_EQ(NumberToInt16(nan), 0);
    EXPECT_EQ(NumberToInt16(-nan), 0);
    EXPECT_EQ(NumberToInt16(inf), 32767);
    EXPECT_EQ(NumberToInt16(-inf), -32768);
}

TEST(NumberToInteger, TruncatesTowardZeroAndSaturatesTo16Bits)
{
    EXPECT_EQ(NumberToInt32(2.9), 2);
    EXPECT_EQ(NumberToInt32(-2.9), -2);
    EXPECT_EQ(NumberToInt16(-1.5), -1);
    EXPECT_EQ(NumberToInt16(-0.0), 0);
    EXPECT_EQ(NumberToInt16(32767.0), 32767);
    EXPECT_EQ(NumberToInt16(32767.9), 32767);
    EXPECT_EQ(NumberToInt16(-32768.0), -32768);
    EXPECT_EQ(NumberToInt16(-32768.9), -32768);
    // Never wrapped around into the other sign: a high story must not become a basement.
    EXPECT_EQ(NumberToInt16(32768.0), 32767);
    EXPECT_EQ(NumberToInt16(40000.0), 32767);
    EXPECT_EQ(NumberToInt16(65537.0), 32767);
    EXPECT_EQ(NumberToInt16(3e9), 32767);
    EXPECT_EQ(NumberToInt16(1e300), 32767);
    EXPECT_EQ(NumberToInt16(-32769.0), -32768);
    EXPECT_EQ(NumberToInt16(-40000.0), -32768);
    EXPECT_EQ(NumberToInt16(-3e9), -32768);
}
