// Users' JSON files are read with simdjson and converted to nlohmann's values: the values must be
// the ones nlohmann's own parser gives, numbers' kinds included, and texts that are not JSON must
// fail with nlohmann's messages, as they did before.

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>
#include <string>

#include <nlohmann/json.hpp>

#include "host/JsonText.hpp"
#include "cli/Scenario.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;

// Same value, and the same kind for every number in it, all the way down.
void ExpectSameValue(const json& read, const json& expected, const std::string& where, int depth = 0)
{
    ASSERT_EQ(read.type(), expected.type()) << where << " at depth " << depth;
    ASSERT_EQ(read.is_number_unsigned(), expected.is_number_unsigned()) << where;
    ASSERT_EQ(read.is_number_integer(), expected.is_number_integer()) << where;
    if (read.is_number_float()) {
        // Bit for bit: -0.0 and 0.0 compare equal.
        ASSERT_EQ(std::signbit(read.get<double>()), std::signbit(expected.get<double>())) << where;
        ASSERT_EQ(read.get<double>(), expected.get<double>()) << where;
    } else if (read.is_array() || read.is_object()) {
        ASSERT_EQ(read.size(), expected.size()) << where;
        auto a = read.begin();
        for (auto b = expected.begin(); b != expected.end(); ++a, ++b) {
            if (read.is_object()) {
                ASSERT_EQ(a.key(), b.key()) << where;
            }
            ExpectSameValue(*a, *b, where, depth + 1);
        }
    } else {
        ASSERT_EQ(read, expected) << where;
    }
}

void ExpectAsNlohmann(const std::string& text)
{
    ExpectSameValue(sim::ParseJsonText(text), json::parse(text), text.substr(0, 80));
}

std::string MessageOf(const std::string& text)
{
    try {
        sim::ParseJsonText(text);
    } catch (const json::exception& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

std::string NlohmannMessageOf(const std::string& text)
{
    try {
        const json value = json::parse(text);
        return "(nothing thrown: " + value.dump().substr(0, 40) + ")";
    } catch (const json::exception& error) {
        return error.what();
    }
    return "(nothing thrown)";
}

}  // namespace

TEST(JsonFileReading, NumbersKeepTheKindsNlohmannGivesThem)
{
    for (const char* text : {"0", "7", "-7", "2147483648", "-2147483649", "4294967296", "9223372036854775807",
                             "9223372036854775808", "18446744073709551615", "-9223372036854775808", "0.5", "-0.0",
                             "1e2", "1E-2", "-1.5e+3", "4.9e-324", "1.7976931348623157e308", "2.2250738585072011e-308",
                             "0.30000000000000004", "123456789012345678.5", "[1, -1, 1.0, -1.0, 1e0]",
                             "[18446744073709551616]", "-9223372036854775809"})  // beyond 64 bits: doubles
        ExpectAsNlohmann(text);
}

TEST(JsonFileReading, TextsObjectsAndNestingComeOutAsNlohmannReadsThem)
{
    ExpectAsNlohmann(R"({"b": [1, "x", null, true, false, {}], "a": {"z": [], "y": [[[]]]}, "": ""})");
    ExpectAsNlohmann(R"(["\u00e9\u0000\ud83d\ude00", "tab\there", "\"\\\/\b\f\n\r", "Průhonice"])");
    ExpectAsNlohmann(R"({"same": 1, "same": 2, "other": 3, "same": [4]})");  // the last one counts
    ExpectAsNlohmann("  \n\t[ ]  ");
    ExpectAsNlohmann(std::string(1000, '[') + std::string(1000, ']'));
    ExpectAsNlohmann(std::string(5000, '[') + std::string(5000, ']'));  // deeper than the fast reader goes

    std::mt19937_64 random(18);
    json big = json::array();
    for (int i = 0; i < 2000; ++i) {
        const double value = std::uniform_real_distribution<double>(-1e6, 1e6)(random);
        big.push_back({{"n", value}, {"i", static_cast<std::int64_t>(random() >> 1) - (1ll << 62)},
                       {"u", static_cast<std::uint64_t>(random())}, {"t", std::to_string(value)}});
    }
    ExpectAsNlohmann(big.dump());
}

TEST(JsonFileReading, TextsThatAreNotJsonFailWithNlohmannsMessages)
{
    for (const std::string& text :
         {std::string(""), std::string("["), std::string("[1,]"), std::string("{\"a\" 1}"), std::string("nul"),
          std::string("[1] 2"), std::string("1e400"), std::string("-1e400"),
          std::string("[\"\xff\"]"), std::string("[\"\\ud800\"]"), std::string("'a'"), std::string("[01]"),
          std::string(3000, '[')}) {
        EXPECT_EQ(MessageOf(text), NlohmannMessageOf(text)) << text.substr(0, 40);
    }
}

TEST(JsonFileReading, ScenarioFilesGiveTheSameStepsAndErrors)
{
    test::TempFolder folder;
    const std::string path = folder / "s.json";
    const json scenario = {{"api", 28},
                           {"ui", {{"darkMode", true}}},
                           {"project", json::object()},
                           {"steps", {{{"call", "GetVersion"}, {"args", {1, -2, 0.5, "x", {1, {2}}}}}, {{"undo", 1}}}}};
    test::WriteFile(path, scenario.dump());
    const sim::Scenario read = sim::ReadScenario(path);
    ASSERT_EQ(read.api, 28);
    const json asNlohmannReadsIt = json::parse(scenario.dump());
    ExpectSameValue(read.steps, asNlohmannReadsIt["steps"], "steps");
    ExpectSameValue(read.ui, asNlohmannReadsIt["ui"], "ui");

    test::WriteFile(path, "{\"steps\": [1,]}");
    try {
        sim::ReadScenario(path);
        FAIL() << "a bad file was read";
    } catch (const sim::Error& error) {
        EXPECT_EQ(std::string(error.what()), path + ": not valid JSON (" + NlohmannMessageOf("{\"steps\": [1,]}") + ")");
    }
}

TEST(JsonFileReading, StreamsAreReadToTheirEndFromWhereTheyStand)
{
    json big = json::array();
    for (int i = 0; i < 30000; ++i)
        big.push_back({i, -i, i * 0.25, std::to_string(i)});
    const std::string text = big.dump();
    const json expected = json::parse(text);
    std::istringstream whole(text);
    ExpectSameValue(sim::ParseJsonStream(whole), expected, "whole stream");

    std::istringstream afterPrefix("garbage" + text);
    afterPrefix.ignore(7);
    ExpectSameValue(sim::ParseJsonStream(afterPrefix), expected, "after a prefix");

    std::istringstream bad(text.substr(0, text.size() - 1));
    EXPECT_THROW(sim::ParseJsonStream(bad), json::exception);
}
