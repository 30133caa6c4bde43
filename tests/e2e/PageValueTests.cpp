// The page's JSON text read straight into engine values: the same values as through nlohmann on
// random texts, the same refusals, and deep nesting refused with a message instead of a crash.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/Cli.hpp"
#include "host/PageValues.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"
#include "ModuleSession.hpp"
#include "UniStringUnits.hpp"

namespace {

using nlohmann::json;
using JsRef = GS::Ref<JS::Base, GS::Counter>;

// A value written out with every distinction the engine makes: kind, double bits, UTF-16 units.
std::string Shape(const JsRef& value)
{
    if (value == nullptr)
        return "null";
    if (auto* array = dynamic_cast<JS::Array*>(static_cast<JS::Base*>(value))) {
        std::string text = "[";
        for (const JsRef& item : array->GetItemArray())
            text += Shape(item) + ",";
        return text + "]";
    }
    auto* scalar = dynamic_cast<JS::Value*>(static_cast<JS::Base*>(value));
    if (scalar == nullptr)
        return "?";
    char buffer[64];
    switch (scalar->GetType()) {
        case JS::Value::BOOL: return scalar->GetBool() ? "true" : "false";
        case JS::Value::INTEGER: return "i" + std::to_string(scalar->GetInteger());
        case JS::Value::UINTEGER: return "u" + std::to_string(scalar->GetUInteger());
        case JS::Value::DOUBLE: {
            double number = scalar->GetDouble();
            std::uint64_t bits;
            std::memcpy(&bits, &number, sizeof bits);
            std::snprintf(buffer, sizeof buffer, "d%.17g/%016llx", number, static_cast<unsigned long long>(bits));
            return buffer;
        }
        case JS::Value::STRING: {
            std::string text = "s\"";
            for (char16_t unit : std::u16string(Substitute::Units(scalar->GetString()))) {
                if (unit >= 0x20 && unit < 0x7F) {
                    text += static_cast<char>(unit);
                } else {
                    std::snprintf(buffer, sizeof buffer, "\\%04x", static_cast<unsigned>(unit));
                    text += buffer;
                }
            }
            return text + "\"";
        }
        default: return "kind" + std::to_string(scalar->GetType());
    }
}

// Either the values' shape, or "refused" when the conversion threw sim::Error.
template <class Convert>
std::string Outcome(Convert convert)
{
    try {
        return Shape(convert());
    } catch (const sim::Error&) {
        return "refused";
    }
}

std::string ThroughNlohmann(const std::string& text)
{
    return Outcome([&] {
        json value = json::parse(text, nullptr, false);
        if (value.is_discarded())
            throw sim::Error("not JSON");
        return sim::ToJsArguments(value);
    });
}

std::string ThroughFastPath(const std::string& text)
{
    return Outcome([&] { return sim::PageArgumentsFromJson(text); });
}

// Random page values written as JSON text, favouring the places where readers differ.
class RandomJson {
public:
    explicit RandomJson(std::uint32_t seed) : random(seed) {}

    std::string Arguments()
    {
        std::string text = Space() + "[";
        int count = Pick(0, 6);
        for (int i = 0; i < count; ++i)
            text += (i > 0 ? "," : "") + Space() + Value(1) + Space();
        return text + "]" + Space();
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    std::string Space()
    {
        static const char* spaces[] = {"", "", "", " ", "\n", "\t", "\r\n  "};
        return spaces[Pick(0, 6)];
    }

    std::string Value(int depth)
    {
        switch (Pick(0, depth < 6 ? 9 : 7)) {
            case 0: return "null";
            case 1: return Pick(0, 1) ? "true" : "false";
            case 2: case 3: return EdgeNumber();
            case 4: return RandomNumber();
            case 5: case 6: case 7: return String();
            default: {
                std::string text = "[";
                int count = Pick(0, 4);
                for (int i = 0; i < count; ++i)
                    text += (i > 0 ? "," : "") + Space() + Value(depth + 1);
                return text + Space() + "]";
            }
        }
    }

    std::string EdgeNumber()
    {
        static const char* edges[] = {
            "0", "-0", "0.0", "-0.0", "-0e0", "2147483647", "2147483648", "-2147483648", "-2147483649",
            "4294967295", "4294967296", "-4294967295", "9223372036854775807", "9223372036854775808",
            "-9223372036854775808", "-9223372036854775809", "18446744073709551615", "18446744073709551616",
            "123456789012345678901234567890", "-123456789012345678901234567890", "2147483647.0", "2147483648e0",
            "4294967295E0", "1e2", "1E+2", "1e-2", "-1.5e-3", "2.5E10", "1e308", "1.7976931348623157e308",
            "-1.7976931348623157e308", "4.9e-324", "2.4703282292062328e-324", "2.2250738585072011e-308",
            "1e-400", "-1e-400", "0.1", "0.30000000000000004", "-743500.25", "-1043250.125", "9007199254740993",
            "1e400", "-1e400", "01", "1.", ".5", "+1", "-", "1e", "0x10", "NaN", "Infinity"};
        return edges[Pick(0, sizeof edges / sizeof *edges - 1)];
    }

    std::string RandomNumber()
    {
        char buffer[64];
        switch (Pick(0, 3)) {
            case 0: return std::to_string(std::uniform_int_distribution<std::int64_t>(-5'000'000'000, 5'000'000'000)(random));
            case 1: {
                std::uint64_t bits = random();
                double number;
                std::memcpy(&number, &bits, sizeof number);
                if (!std::isfinite(number))
                    number = 1.25;
                std::snprintf(buffer, sizeof buffer, "%.17g", number);
                return buffer;
            }
            case 2:
                std::snprintf(buffer, sizeof buffer, "%.*e", Pick(0, 20),
                              std::uniform_real_distribution<double>(-1e6, 1e6)(random));
                return buffer;
            default:
                std::snprintf(buffer, sizeof buffer, "%.2f", std::uniform_real_distribution<double>(-1.1e6, 1.1e6)(random));
                return buffer;
        }
    }

    std::string String()
    {
        static const char* pieces[] = {
            "a", "Z", "7", " ", "kůň", "Žluťoučký", "\xF0\x9F\x98\x80", "\xE2\x82\xAC", "\\\"", "\\\\", "\\/", "\\b",
            "\\f", "\\n", "\\r", "\\t", "\\u0000", "\\u001f", "\\u00e9", "\\u20AC", "\\uFFFF", "\\uD83D\\uDE00",
            "\\ud800\\udc00", "\\udbff\\udfff", "x y z\\n", "abcdefghijklmnop",
            // refused by both readers: lone surrogates, bad escapes, raw control bytes, broken UTF-8
            "\\ud800", "\\udc00", "\\uD83Dx", "\\x", "\\u12", "\x01", "\xC3", "\xFF", "\xED\xA0\x80"};
        constexpr int refusedFrom = 26;
        std::string text = "\"";
        int count = Pick(0, 12);
        for (int i = 0; i < count; ++i) {
            int piece = Pick(0, sizeof pieces / sizeof *pieces - 1);
            if (piece >= refusedFrom && Pick(0, 7) != 0)
                piece = Pick(0, refusedFrom - 1);
            text += pieces[piece];
        }
        return text + "\"";
    }

    std::mt19937 random;
};

TEST(PageValueTexts, RandomTextsGiveTheSameValuesAsNlohmann)
{
    int accepted = 0;
    int refused = 0;
    for (std::uint32_t seed = 1; seed <= 4000; ++seed) {
        RandomJson generator(seed);
        const std::string text = generator.Arguments();
        const std::string expected = ThroughNlohmann(text);
        ASSERT_EQ(ThroughFastPath(text), expected) << "seed " << seed << ": " << text;
        (expected == "refused" ? refused : accepted) += 1;
    }
    // Both outcomes must be well represented for the comparison to mean something.
    EXPECT_GT(accepted, 1000);
    EXPECT_GT(refused, 300);
}

TEST(PageValueTexts, DamagedTextsAreRefusedOrReadAlikeByBoth)
{
    std::mt19937 random(77);
    const std::string damage = "[]{},:\"\\ 0-.eE1\x80\xff";
    for (std::uint32_t seed = 1; seed <= 2000; ++seed) {
        std::string text = RandomJson(seed).Arguments();
        const int edits = 1 + static_cast<int>(random() % 3);
        for (int k = 0; k < edits && !text.empty(); ++k) {
            const std::size_t at = random() % text.size();
            switch (random() % 3) {
                case 0: text[at] = damage[random() % damage.size()]; break;
                case 1: text.erase(at, 1); break;
                default: text.insert(at, 1, damage[random() % damage.size()]);
            }
        }
        ASSERT_EQ(ThroughFastPath(text), ThroughNlohmann(text)) << "seed " << seed << ": " << text;
    }
}

TEST(PageValueTexts, NumbersTakeTheEnginesKinds)
{
    EXPECT_EQ(ThroughFastPath("[2147483647, 2147483648, -2147483648, -2147483649, 4294967295, 4294967296]"),
              "[i2147483647,u2147483648,i-2147483648,d-2147483649/c1e0000000200000,u4294967295,"
              "d4294967296/41f0000000000000,]");
    // -0 written as an integer is the integer 0; written as a fraction it keeps its sign.
    EXPECT_EQ(ThroughFastPath("[-0, -0.0, 18446744073709551616]"),
              "[i0,d-0/8000000000000000,d1.8446744073709552e+19/43f0000000000000,]");
    EXPECT_EQ(ThroughFastPath("[1e2, 250]"), "[d100/4059000000000000,i250,]");
}

TEST(PageValueTexts, TextsArriveAsUtf16)
{
    auto value = sim::PageValueFromJson(R"("P\u0159\u00edli\u0161 \ud83d\ude00 kůň\n")");
    auto* text = dynamic_cast<JS::Value*>(static_cast<JS::Base*>(value));
    ASSERT_NE(text, nullptr);
    ASSERT_EQ(text->GetType(), JS::Value::STRING);
    EXPECT_EQ(std::u16string(Substitute::Units(text->GetString())), std::u16string(u"Příliš 😀 kůň\n"));
    // Long ASCII runs go eight bytes at a time; the tail and a late non-ASCII byte must still land.
    std::string long_ = std::string(1001, 'x') + "é" + std::string(13, 'y');
    auto longValue = sim::PageValueFromJson("\"" + long_ + "\"");
    EXPECT_EQ(dynamic_cast<JS::Value*>(static_cast<JS::Base*>(longValue))->GetString(), GS::UniString(long_.c_str()));
}

TEST(PageValueTexts, ObjectsAndOtherNonArgumentsAreRefusedInTheSameWords)
{
    for (const char* text : {R"([1, {"x": [1, 2]}])", R"({"a": 1})", R"("just a text")", "5", R"([[{}]])"}) {
        std::string fast, slow;
        try {
            sim::PageArgumentsFromJson(text);
        } catch (const sim::Error& error) {
            fast = error.what();
        }
        try {
            sim::ToJsArguments(json::parse(text));
        } catch (const sim::Error& error) {
            slow = error.what();
        }
        EXPECT_FALSE(fast.empty()) << text;
        EXPECT_EQ(fast, slow) << text;
    }
    EXPECT_EQ(Shape(sim::PageArgumentsFromJson("null")), "[]");
    EXPECT_THROW(sim::PageArgumentsFromJson(""), sim::Error);
    EXPECT_THROW(sim::PageArgumentsFromJson("[1,"), sim::Error);
    EXPECT_THROW(sim::PageValueFromJson("{\"a\": 1}"), sim::Error);
}

std::string Nested(int levels, const std::string& inner = "")
{
    return std::string(static_cast<std::size_t>(levels), '[') + inner + std::string(static_cast<std::size_t>(levels), ']');
}

std::string Refusal(const std::function<void()>& convert)
{
    try {
        convert();
    } catch (const sim::Error& error) {
        return error.what();
    }
    return "";
}

TEST(PageValueTexts, DeepNestingIsRefusedWithAMessageOnBothPaths)
{
    const std::string expected = "arrays nested deeper than " + std::to_string(sim::MaxPageNesting) +
                                 " levels cannot be passed";
    const std::string deepest = Nested(sim::MaxPageNesting, "1");
    EXPECT_EQ(ThroughFastPath(deepest), ThroughNlohmann(deepest));
    EXPECT_NE(ThroughFastPath(deepest), "refused");

    for (int levels : {sim::MaxPageNesting + 1, sim::MaxPageNesting + 2, sim::MaxPageNesting + 3, 100'000}) {
        const std::string text = Nested(levels, "1");
        EXPECT_EQ(Refusal([&] { sim::PageArgumentsFromJson(text); }), expected) << levels;
        EXPECT_EQ(Refusal([&] { sim::ToJsArguments(json::parse(text)); }), expected) << levels;
    }
    // An object deep inside is not printed into the message, which would recurse as deep.
    const std::string deepObject = "[{\"a\":" + Nested(100'000) + "}]";
    EXPECT_EQ(Refusal([&] { sim::ToJsArguments(json::parse(deepObject)); }), expected);
    EXPECT_EQ(Refusal([&] { sim::PageArgumentsFromJson(deepObject); }), expected);
    // Unbalanced, and a number simdjson leaves to nlohmann before the depth.
    EXPECT_NE(Refusal([&] { sim::PageArgumentsFromJson(std::string(100'000, '[')); }), "");
    const std::string bigFirst = "[18446744073709551616," + Nested(100'000) + "]";
    EXPECT_EQ(Refusal([&] { sim::PageArgumentsFromJson(bigFirst); }), expected);
    EXPECT_TRUE(sim::IsJsonText(Nested(100'000)));
}

TEST(PageValueTexts, TellsJsonTextsFromPlainOnes)
{
    for (const char* text : {"5", " \"a\" ", "[1, [2]]", "{\"a\": 1}", "null", "18446744073709551616", "-0"})
        EXPECT_TRUE(sim::IsJsonText(text)) << text;
    for (const char* text : {"", "abc", "a/b:c?.txt", "1e400", "01", "[1,", "\"\\ud800\"", "5 6", "\xC3"})
        EXPECT_FALSE(sim::IsJsonText(text)) << text;
}

// ---------------------------------------------------------------------------------------------
// Through a started module

class PageTextCall : public ::testing::TestWithParam<int> {};

TEST_P(PageTextCall, AnswersAsTheValueCallDoes)
{
    test::ModuleSession session({.api = GetParam(), .palette = test::SessionSetup::Palette::Closed});
    sim::Simulator& simulator = session.sim;
    EXPECT_FALSE(simulator.CallJson("GetVersion", "[]").found);  // no palette, no page yet
    simulator.MenuCommand(32500, 1);

    EXPECT_EQ(simulator.CallJson("GetVersion", R"(["dmr5g", "1 2 3\n", 250, [[1, 2]]])").Text(), LANDFETCH_ADDON_VERSION);
    const std::string info = R"([[["Pozemek", "Žluťoučký kůň \u2013 15/7"]]])";
    sim::CallResult byText = simulator.CallJson("SetProjectInfo", info);
    sim::CallResult byValue = simulator.Call("SetProjectInfo", json::parse(info));
    EXPECT_EQ(byText.reply, json(R"({"ok":true,"set":1,"created":1})"));
    EXPECT_EQ(byValue.reply, json(R"({"ok":true,"set":1,"created":0})"));
    EXPECT_EQ(simulator.SaveProject()["autotexts"][0]["value"], "Žluťoučký kůň – 15/7");

    EXPECT_FALSE(simulator.CallJson("NoSuchFunction", "not even JSON").found);
    EXPECT_THROW(simulator.CallJson("GetVersion", Nested(100'000)), sim::Error);
    EXPECT_THROW(simulator.CallJson("GetVersion", "[1, {\"x\": 2}]"), sim::Error);
    EXPECT_EQ(simulator.CallJson("GetVersion", "null").Text(), LANDFETCH_ADDON_VERSION);
}

INSTANTIATE_TEST_SUITE_P(EachHostVersion, PageTextCall, ::testing::ValuesIn(landfetch::HostApiVersions));

// ---------------------------------------------------------------------------------------------
// The command line and scenarios, which take the page's arguments as text

struct CliRun {
    int status = -1;
    std::string out;
    std::string err;
};

CliRun RunCli(std::vector<std::string> args)
{
    args.insert(args.begin(), "landfetch-host");
    std::vector<char*> argv;
    for (std::string& arg : args)
        argv.push_back(arg.data());
    std::ostringstream out, err;
    CliRun run;
    run.status = sim::RunCli(static_cast<int>(argv.size()), argv.data(), out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
}

TEST(PageValueCommandLine, DeepArgumentsAreRefusedWithAMessage)
{
    const std::string message = "arrays nested deeper than " + std::to_string(sim::MaxPageNesting) + " levels";
    // As deep as one command-line argument can carry.
    CliRun call = RunCli({"call", "GetVersion", "1", Nested(60'000)});
    EXPECT_EQ(call.status, 2);
    EXPECT_NE(call.err.find(message), std::string::npos) << call.err;
    EXPECT_EQ(call.out, "");

    test::TempFolder folder;
    const std::string scenario = folder / "deep.json";
    test::WriteFile(scenario, R"({"steps": [{"menu": [32500, 1]}, {"call": "GetVersion", "args": [)" +
                                  Nested(100'000) + "]}]}");
    CliRun run = RunCli({"run", scenario});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find(scenario + ": nested deeper than " + std::to_string(sim::MaxPageNesting) + " levels"),
              std::string::npos)
        << run.err;
    // Deep, yet within what a page may pass: the step's own refusal.
    test::WriteFile(scenario, R"({"steps": [{"menu": [32500, 1]}, {"call": "GetVersion", "args": [)" +
                                  Nested(sim::MaxPageNesting + 1) + "]}]}");
    run = RunCli({"run", scenario});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("step 2: " + message), std::string::npos) << run.err;
}

TEST(PageValueCommandLine, ArgumentsAreJsonWhenTheyReadAsJsonElseTexts)
{
    test::TempFolder folder;
    const std::string saved = folder / "p.json";
    // JSON texts inside, one of them escaped; a lone "[1, 2" is a text.
    CliRun run = RunCli({"--save", saved, "call", "SetProjectInfo", R"([["a", "[1, 2"], ["b", "\u017dlu\u0165"]])"});
    EXPECT_EQ(run.status, 0) << run.err;
    json autotexts = json::parse(test::ReadFile(saved))["autotexts"];
    ASSERT_EQ(autotexts.size(), 2u) << autotexts;
    EXPECT_EQ(autotexts[0]["value"], "[1, 2");
    EXPECT_EQ(autotexts[1]["value"], "Žluť");

    // Not JSON as a whole, though it starts like it: the text itself.
    run = RunCli({"call", "ChooseSaveFile", "[a.txt"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("a.txt"), std::string::npos) << run.out;

    run = RunCli({"call", "GetVersion", R"({"an": "object"})"});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.err, "landfetch-host: a call argument cannot be a JSON object: {\"an\":\"object\"}\n");
}

// Texts held as nlohmann values (a command line's plain texts may be any bytes) take the same
// UTF-8 reading as the platform's own conversion, ill-formed sequences included.
TEST(PageValueTexts, HeldTextsArriveAsThePlatformConvertsThem)
{
    std::mt19937 random(15);
    const std::vector<std::string> pieces = {"a", "\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80", "\xc3", "\xe2\x82",
                                             "\xf0\x9f\x98", "\x80", "\xbf", "\xc0\xaf", "\xe0\x80\xaf", "\xed\xa0\x80",
                                             "\xf4\x90\x80\x80", "\xff", "\xfe", std::string(1, '\0'), "abcdefgh"};
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        for (int i = static_cast<int>(random() % 12); i > 0; --i)
            text += pieces[random() % pieces.size()];
        JsRef value = sim::ToJsValue(json(text));
        auto* converted = dynamic_cast<JS::Value*>(static_cast<JS::Base*>(value));
        ASSERT_NE(converted, nullptr);
        ASSERT_EQ(converted->GetString(), GS::UniString(text.data(), static_cast<UInt32>(text.size()), CC_UTF8))
            << "round " << round;
    }
}

}  // namespace
