// The simulator's own calls into a real page (Chromium): the caller's arguments reach the module's
// function with the values the recording control hands it, and what the recording control
// refuses is refused with its words, whether the arguments come as JSON text or as JSON values.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/Shell.hpp"
#include "ModuleSession.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"
#include "ValueKinds.hpp"
#include "browser/DevToolsPipe.hpp"
#include "browser/PageScript.hpp"
#include "host/BrowserControl.hpp"
#include "host/Encoding.hpp"
#include "host/PageValues.hpp"

namespace {

using nlohmann::json;

// A session with the palette open and an object of the test's own registered in its page.
class ProbedSession : public test::ModuleSession {
public:
    explicit ProbedSession(const std::string& browserKind)
        : test::ModuleSession({.api = 30, .palette = test::SessionSetup::Palette::Closed, .browser = browserKind})
    {
        EXPECT_EQ(sim.PaletteMessage(6), NoError);
        browser = sim::BrowserControl::FindPaletteBrowser(sim.GetShell().Palettes().front().guid);
        auto object = GS::NewRef<JS::Object>(GS::UniString("Probe"));
        object->AddItem(GS::NewRef<JS::Function>(GS::UniString("Take"), [this](GS::Ref<JS::Base, GS::Counter> parameter) {
            // The recording control hands a null as no value, the page as the engine's null: the
            // module's readers take both alike.
            taken.push_back(test::ValueKind(parameter, "null"));
            return GS::Ref<JS::Base, GS::Counter>(GS::NewRef<JS::Value>(true));
        }));
        auto* palette = dynamic_cast<DG::Browser*>(browser);
        EXPECT_NE(palette, nullptr);
        if (palette != nullptr) {
            EXPECT_EQ(sim.GetBrowser().RegisterObject(*palette, object), NoError);
        }
    }

    // What the function was handed, or the refusal's words.
    std::string Outcome(const std::function<sim::PageReply()>& call)
    {
        taken.clear();
        try {
            sim::PageReply reply = call();
            if (!reply.found)
                return "not found";
            return taken.size() == 1 ? taken.front() : "called " + std::to_string(taken.size()) + " times";
        } catch (const sim::Error& error) {
            return std::string("refused: ") + error.what();
        }
    }
    std::string FromText(const std::string& args)
    {
        return Outcome([&] { return sim.GetBrowser().CallJson(browser, "Take", args, "Probe"); });
    }
    std::string FromValues(const json& args)
    {
        return Outcome([&] { return sim.GetBrowser().Call(browser, "Take", args, "Probe"); });
    }

    DG::BrowserBase* browser = nullptr;
    std::vector<std::string> taken;
};

const std::vector<std::string> Accepted = {
    "[]",
    "null",
    "[0, -2147483648, 2147483647, 2147483648, 4294967295, 4294967296, -2147483649, 18446744073709551616]",
    "[1.5, -0.0, 1e21, 5e-324, -1e-300, 1.7976931348623157e308, 0.1]",
    R"(["", "žluťoučký", "😀", "a\u0000b", "\"quoted\\\"", "line\nbreak\u2028", "</script>"])",
    "[true, false, null]",
    R"([[], [1, [2.5, ["x", [null]]]]])",
    R"([{"double": "-0"}, {"double": "NaN"}, {"double": "Infinity"}, {"double": "-Infinity"}, {"double": 2.5}])",
    R"([{"uint": 3000000000}, {"int": -7}, {"undefined": true}, {"object": true}, [{"undefined": true}]])",
};

const std::vector<std::string> Refused = {
    R"([{"a": 1}])", R"({"a": 1})", R"("text")", "[1,", "", R"([{"int": 1.5}])", R"([{"uint": -1}])",
    R"([{"double": "nan"}])", R"([{"undefined": false}])", R"([{"int": 1, "uint": 1}])",
    std::string(1001, '[') + std::string(1001, ']'), "[1e400]",
};

// Every case through one browser control: as JSON text, then (where it is JSON) as JSON values.
std::vector<std::string> Outcomes(const std::string& browserKind)
{
    ProbedSession session(browserKind);
    std::vector<std::string> outcomes;
    for (const std::vector<std::string>* cases : {&Accepted, &Refused}) {
        for (const std::string& args : *cases) {
            outcomes.push_back(args.substr(0, 60) + " as text: " + session.FromText(args));
            const json values = json::parse(args, nullptr, false);
            if (!values.is_discarded())
                outcomes.push_back(args.substr(0, 60) + " as values: " + session.FromValues(values));
        }
    }
    // Nothing refused left the page unable to take the next call.
    outcomes.push_back("afterwards: " + session.FromText("[1]"));
    return outcomes;
}

// The module is loaded once per process: the two controls take their turns.
TEST(BrowserCallArguments, ReachTheFunctionAsTheRecordingControlHandsThemAndAreRefusedWithItsWords)
{
    REQUIRE_CHROMIUM();
    const std::vector<std::string> recorded = Outcomes("record");
    ASSERT_EQ(recorded.size(), 2 * (Accepted.size() + Refused.size()) - 3 + 1);  // "[1,", "" and 1e400 are no JSON values
    for (std::size_t i = 0; i < recorded.size(); ++i) {
        const bool refusal = recorded[i].find("refused: ") != std::string::npos;
        EXPECT_EQ(refusal, i >= 2 * Accepted.size() && i + 1 < recorded.size()) << recorded[i];
    }
    const std::vector<std::string> throughThePage = Outcomes("chromium");
    ASSERT_EQ(throughThePage.size(), recorded.size());
    for (std::size_t i = 0; i < recorded.size(); ++i)
        EXPECT_EQ(throughThePage[i], recorded[i]);
}

// Any code point, as UTF-8: quotes, escapes, NUL, line separators, a byte-order mark, astral ones.
std::string RandomText(std::mt19937& random, std::size_t length)
{
    static const std::vector<char32_t> special = {u'"', u'\\', 0, u'\n', 0x2028, 0x2029, 0xFEFF, 0xFFFE, 0x1F600, 0x10FFFF, u'<', 0x7F};
    std::u16string units;
    for (std::size_t i = 0; i < length; ++i) {
        char32_t code = random() % 4 == 0 ? special[random() % special.size()]
                        : random() % 2 == 0 ? static_cast<char32_t>(' ' + random() % 95)
                                            : static_cast<char32_t>(random() % 0x10FFFF);
        if (code >= 0xD800 && code <= 0xDFFF)
            code = 0xE000;
        sim::AppendUtf16(code, units);
    }
    return GS::UniString(units).ToUtf8();
}

json RandomArgument(std::mt19937& random, int depth)
{
    static const std::vector<json> numbers = {
        json{{"double", "-0"}}, json{{"double", "NaN"}}, json{{"double", "Infinity"}}, json{{"double", "-Infinity"}},
        5e-324, 2.2250738585072009e-308, 9007199254740993.0, json{{"double", 9007199254740992}}, 1e21, 0.1,
        -1.7976931348623157e308, 2147483647, -2147483648, 2147483648u, 4294967295u, 4294967296u, json{{"uint", 7}},
        json{{"int", -7}}, 0, 3.0};
    switch (random() % (depth < 4 ? 9 : 7)) {
        case 0: return numbers[random() % numbers.size()];
        case 1: return static_cast<double>(static_cast<std::int64_t>(random()) - (1ll << 31)) / (1 + random() % 1000);
        case 2: return RandomText(random, random() % 20);
        case 3: return random() % 2 == 0;
        case 4: return nullptr;
        case 5: return json{{"undefined", true}};
        case 6: return json{{"object", true}};
        default: {
            json array = json::array();
            for (std::size_t i = random() % 5; i > 0; --i)
                array.push_back(RandomArgument(random, depth + 1));
            return array;
        }
    }
}

// The simulator's calls reach the page with the values the same arguments have as source text,
// which is how the page gets them when it cannot fetch them from its origin.
TEST(BrowserCallArguments, RandomValuesReachTheFunctionAsTheirSourceTextGivesThem)
{
    REQUIRE_CHROMIUM();
    ProbedSession session("chromium");
    std::mt19937 random(3);
    std::vector<json> cases;
    for (int round = 0; round < 80; ++round) {
        json args = json::array();
        for (std::size_t i = random() % 6; i > 0; --i)
            args.push_back(RandomArgument(random, 0));
        cases.push_back(args);
    }
    // A long text and many numbers.
    json numbers = json::array();
    for (int i = 0; i < 50000; ++i)
        numbers.push_back(i % 7 == 0 ? json{{"double", "-0"}} : json(i * 0.37 - 9000));
    cases.push_back(json::array({RandomText(random, 300000), numbers, RandomText(random, 3)}));
    for (const json& args : cases) {
        const std::string called = session.FromValues(args);
        session.taken.clear();
        session.sim.EvaluateInPage("Probe.Take(..." + sim::ArgumentsSource(sim::ToJsArguments(args)) + ")");
        ASSERT_EQ(session.taken.size(), 1u) << args.dump().substr(0, 200);
        // Compared whole, printed in part: a case can be megabytes long.
        const std::string& fromSource = session.taken.front();
        std::size_t differ = 0;
        while (differ < called.size() && differ < fromSource.size() && called[differ] == fromSource[differ])
            ++differ;
        EXPECT_TRUE(called == fromSource) << "from byte " << differ << ": " << called.substr(differ, 120) << " instead of "
                                          << fromSource.substr(differ, 120);
    }
}

}  // namespace
