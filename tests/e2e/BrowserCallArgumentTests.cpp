// The simulator's own calls into a real page (Chromium): the caller's arguments reach the module's
// function with the values the recording control hands it, and what the recording control
// refuses is refused with its words, whether the arguments come as JSON text or as JSON values.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "host/Shell.hpp"
#include "ModuleSession.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"
#include "ValueKinds.hpp"
#include "browser/DevToolsPipe.hpp"
#include "host/BrowserControl.hpp"

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

}  // namespace
