// The lines `browse` prints per call: long arguments shortened, never cut inside a character.

#include <gtest/gtest.h>

#include "cli/CallLog.hpp"

namespace {

using nlohmann::json;

TEST(CallLogTest, ShortValuesStayAsTheyAre)
{
    EXPECT_EQ(sim::CallLine("GetVersion", json::array(), "1.11"), "GetVersion() -> \"1.11\"");
    EXPECT_EQ(sim::CallLine("SetSurveyPoint", json::array({-743500.5, 2147483648.0, 0, 1, true, nullptr}), true),
              "SetSurveyPoint(-743500.5, 2147483648.0, 0, 1, true, null) -> true");
    EXPECT_EQ(sim::ShortJson(json::array({"a", json::array({1, 2})})), "[\"a\",[1,2]]");
}

TEST(CallLogTest, LongTextsAndListsAreShortenedWithTheirSize)
{
    std::string points;
    for (int i = 0; i < 1000; ++i)
        points += "1.00 2.00 3.00\n";
    EXPECT_EQ(sim::ShortJson(points, 10), "\"1.00 2.00 …(15000 characters)\"");
    EXPECT_EQ(sim::ShortJson(json::array({1, 2, 3, 4, 5, 6}), 48, 4), "[1,2,3,4,…(6 items)]");
    // Nested lists are shortened at every depth.
    EXPECT_EQ(sim::ShortJson(json::array({json::array({1, 2, 3}), "x"}), 48, 2), "[[1,2,…(3 items)],\"x\"]");
    // Exactly at the limits nothing is cut.
    EXPECT_EQ(sim::ShortJson("abcd", 4), "\"abcd\"");
    EXPECT_EQ(sim::ShortJson(json::array({1, 2}), 48, 2), "[1,2]");
}

TEST(CallLogTest, CutsCountCharactersNotBytes)
{
    // "Katastrální" holds a two-byte letter: the cut after 9 characters keeps "Katastrál" whole.
    EXPECT_EQ(sim::ShortJson("Katastrální mapa", 9), "\"Katastrál…(16 characters)\"");
    // Bytes that are not UTF-8 (a page can send anything) are printed replaced, not passed through.
    const std::string line = sim::ShortJson(std::string("a\xff" "b"));
    EXPECT_EQ(json::parse(line, nullptr, false).is_discarded(), false) << line;
}

}  // namespace
