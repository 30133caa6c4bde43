#include <optional>
#include <string>
#include <utility>

#include "PlacementHarness.hpp"

using placementtest::ElementsOfType;
using placementtest::json;
using placementtest::LayerIndex;
using placementtest::Session;
using placementtest::WorksheetNamed;

namespace {

// Two parcels on one layer, a label layer and a points layer.
json SmallCadastre()
{
    return json::array({
        json::array({"KN hranice", 3, "Dashed", "lines",
                     json::array({json::array({json::array({10, 20}), json::array({30, 20}), json::array({30, 45})}),
                                  json::array({json::array({0, 0}), json::array({5, 0})})})}),
        json::array({"KN popisy", 0, "", "texts",
                     json::array({json::array({12.5, 22.5, 2.5, "1234/5"}), json::array({1, 2, 0, "Čáslav"})})}),
        json::array({"KN body", 1, "", "points", json::array({json::array({1, 1}), json::array({2, 2})})}),
    });
}

json PlanArgs(const json& layers, int story = 0)
{
    return json::array({"plan", "", "", story, layers});
}

json OffsetProject(double x, double y)
{
    return {{"originOffset", {x, y}},
            {"geoLocation",
             {{"surveyPoint", {743500.5, 1043250.25, -250}},
              {"geoReference", {-743500.5, -1043250.25, 250, 1, 0, 0}},
              {"crs", {"", "", "", "", "", ""}}}},
            {"site", {{"longitude", 14.42}, {"latitude", 50.08}, {"altitude", 250}, {"north", 0.5}}}};
}

json WithFaults(json project, const json& faults)
{
    project["faults"] = faults;
    return project;
}

}  // namespace

TEST(CadastrePlan, DiagnosticsLineOfATypicalCall)
{
    Session session(OffsetProject(0, 5));
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(SmallCadastre())),
              "kod=0 vstup1=(10.000, 20.000) spp=(743500.50, 1043250.25) georef=(-743500.50, -1043250.25) "
              "sever=28.65° cil=pudorys(podl.0) ofs=(0.000, 5.000) ulozeno1=(10.000, 15.000) vytvoreno=4 ensFail=0");
}

TEST(CadastrePlan, ElementsLandOnNamedLayersLessTheOffset)
{
    Session session(OffsetProject(100, -50));
    session.Call("PlaceCadastre", PlanArgs(SmallCadastre()));
    const json project = session.Project();

    const auto lines = LayerIndex(project, "KN hranice");
    const auto labels = LayerIndex(project, "KN popisy");
    ASSERT_TRUE(lines && labels);
    EXPECT_TRUE(LayerIndex(project, "KN body")) << "a points layer is still created";

    const json polylines = ElementsOfType(project, "polyline");
    ASSERT_EQ(polylines.size(), 2u);
    EXPECT_EQ(polylines[0]["coords"], json({{-90, 70}, {-70, 70}, {-70, 95}}));
    EXPECT_EQ(polylines[1]["coords"], json({{-100, 50}, {-95, 50}}));
    EXPECT_EQ(polylines[0]["layer"], *lines);
    EXPECT_EQ(polylines[0]["pen"], 3);
    EXPECT_EQ(polylines[0]["lineType"], 2);
    EXPECT_EQ(polylines[0]["view"], "plan");

    const json texts = ElementsOfType(project, "text");
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0]["text"], "1234/5");
    EXPECT_EQ(texts[0]["loc"], json({-87.5, 72.5}));
    EXPECT_EQ(texts[0]["size"], 2.5);
    EXPECT_EQ(texts[0]["anchor"], 4);
    EXPECT_EQ(texts[0]["angle"], 0.0);
    EXPECT_EQ(texts[0]["nonBreaking"], true);
    EXPECT_EQ(texts[0]["layer"], *labels);
    EXPECT_EQ(texts[1]["text"], "Čáslav");
    // Size 0 and pen 0 keep the tool's defaults.
    EXPECT_GT(texts[1]["size"].get<double>(), 0.0);
    EXPECT_GT(texts[1]["pen"].get<int>(), 0);
}

TEST(CadastrePlan, FirstVertexEntriesDifferByTheOriginOffset)
{
    Session session(OffsetProject(12.25, -7.5));
    const std::string reply = session.Call("PlaceCadastre", PlanArgs(SmallCadastre()));
    EXPECT_NE(reply.find("vstup1=(10.000, 20.000) "), std::string::npos) << reply;
    EXPECT_NE(reply.find("ofs=(12.250, -7.500) "), std::string::npos) << reply;
    EXPECT_NE(reply.find("ulozeno1=(-2.250, 27.500) "), std::string::npos) << reply;
}

// A label reaches the host as its build's memo carries it (a handle in the oldest build, a string
// object later) and lands the same through every build; the memo's text goes with the memo.
TEST(CadastrePlan, LabelsLandTheSameThroughEveryBuild)
{
    const json labels = json::array({json::array(
        {"Popisy", 0, "", "texts",
         json::array({json::array({1, 2, 0, "Čáslav – Žluťoučký kůň"}), json::array({3, 4, 2, "区画 🏠 15/7"}),
                      json::array({5, 6, 0, ""}), json::array({7, 8, 0, std::string("a\0b", 3)})})})});
    std::optional<std::pair<std::string, json>> oldest;
    for (int api : landfetch::HostApiVersions) {
        test::ModuleSession session({.api = api, .palette = test::SessionSetup::Palette::ByHost});
        const Int64 handlesBefore = BMGetLiveHandleCount();
        const std::string reply = session.Call("PlaceCadastre", PlanArgs(labels)).Text();
        EXPECT_EQ(BMGetLiveHandleCount(), handlesBefore) << api;

        json texts = ElementsOfType(session.Project(), "text");
        ASSERT_EQ(texts.size(), 4u) << api << " " << reply;
        EXPECT_EQ(texts[0]["text"], "Čáslav – Žluťoučký kůň") << api;
        EXPECT_EQ(texts[1]["text"], "区画 🏠 15/7") << api;
        EXPECT_EQ(texts[2]["text"], "") << api;
        EXPECT_EQ(texts[3]["text"], std::string("a\0b", 3)) << api;
        for (json& text : texts)
            text.erase("guid");
        if (!oldest)
            oldest.emplace(reply, texts);
        EXPECT_EQ(reply, oldest->first) << api;
        EXPECT_EQ(texts, oldest->second) << api;
    }
}

TEST(CadastrePlan, StoryArgumentAndItsDefault)
{
    json project = {{"stories", {{"current", 1}, {"last", 2},
                                 {"list", {{{"index", 0}, {"name", "0"}}, {{"index", 1}, {"name", "1"}},
                                           {{"index", 2}, {"name", "2"}}}}}}};
    project["faults"] = {{"GetGeoLocation", -1}};
    Session session(project);
    const json layers = json::array({json::array({"L", 1, "", "lines", json::array({json::array(
                                                                            {json::array({0, 0}), json::array({1, 1})})})})});
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(layers, 2)), "kod=0 vstup1=(0.000, 0.000) cil=pudorys(podl.2) ulozeno1=(0.000, 0.000) vytvoreno=1 ensFail=0");
    EXPECT_EQ(session.Call("PlaceCadastre", json::array({"plan", "", "", "2.9", layers})),
              "kod=0 vstup1=(0.000, 0.000) cil=pudorys(podl.2) ulozeno1=(0.000, 0.000) vytvoreno=1 ensFail=0");
    EXPECT_EQ(session.Call("PlaceCadastre", json::array({"plan", "", "", -10000, layers})),
              "kod=0 vstup1=(0.000, 0.000) cil=pudorys(podl.-10000) ulozeno1=(0.000, 0.000) vytvoreno=1 ensFail=0");
    EXPECT_EQ(session.Call("PlaceCadastre", json::array({"plan", "", "", nullptr, layers})),
              "kod=0 vstup1=(0.000, 0.000) cil=pudorys(podl.0) ulozeno1=(0.000, 0.000) vytvoreno=1 ensFail=0");

    const json polylines = ElementsOfType(session.Project(), "polyline");
    ASSERT_EQ(polylines.size(), 4u);
    EXPECT_EQ(polylines[0]["story"], 2);
    EXPECT_EQ(polylines[1]["story"], 2);
    EXPECT_EQ(polylines[2]["story"], 1) << "-10000 keeps the current story";
    EXPECT_EQ(polylines[3]["story"], 0) << "no story number reads as story 0";
}

TEST(CadastrePlan, StoryAndPenNumbersBeyond16BitsSaturate)
{
    json project = {{"stories", {{"current", 0}, {"last", 1},
                                 {"list", {{{"index", -1}, {"name", "-1"}}, {{"index", 0}, {"name", "0"}},
                                           {{"index", 1}, {"name", "1"}}}}}}};
    project["faults"] = {{"GetGeoLocation", -1}};
    Session session(project);
    const auto layers = [](const json& pen) {
        return json::array({json::array({"L", pen, "", "lines", json::array({json::array({json::array({0, 0}),
                                                                                          json::array({1, 1})})})})});
    };
    // Wrapped into 16 bits, 40000 and 3e9 would read as -25536 and -1: the basement.
    for (const json& story : {json(40000), json(3e9), json("3e9"), json(1e300)})
        EXPECT_NE(session.Call("PlaceCadastre", json::array({"plan", "", "", story, layers(1)})).find("cil=pudorys(podl.32767) "),
                  std::string::npos)
            << story;
    for (const json& story : {json(-40000), json(-3e9)})
        EXPECT_NE(session.Call("PlaceCadastre", json::array({"plan", "", "", story, layers(1)})).find("cil=pudorys(podl.-32768) "),
                  std::string::npos)
            << story;
    EXPECT_NE(session.Call("PlaceCadastre", json::array({"plan", "", "", "nan", layers(1)})).find("cil=pudorys(podl.0) "),
              std::string::npos);
    session.Call("PlaceCadastre", PlanArgs(layers(40000)));
    session.Call("PlaceCadastre", PlanArgs(layers(3e9)));
    session.Call("PlaceCadastre", PlanArgs(layers(-40000)));

    for (const json& polyline : ElementsOfType(session.Project(), "polyline"))
        EXPECT_NE(polyline["story"], -1) << polyline.dump();
    const json polylines = ElementsOfType(session.Project(), "polyline");
    ASSERT_GE(polylines.size(), 3u);
    const std::size_t n = polylines.size();
    EXPECT_EQ(polylines[n - 3]["pen"], 32767);
    EXPECT_EQ(polylines[n - 2]["pen"], 32767);
    EXPECT_GT(polylines[n - 1]["pen"].get<int>(), 0) << "a negative pen keeps the tool's default";
}

TEST(CadastrePlan, NothingToPlace)
{
    Session session;
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(json::array())), "kod=0 zadne vrstvy ");
    EXPECT_EQ(session.Call("PlaceCadastre", json::array({"plan", "", "", 0})), "kod=0 zadne vrstvy ");
    EXPECT_TRUE(session.Project().value("undoSteps", json::array()).empty());
}

TEST(CadastrePlan, SkippedLayersAndShortPolylines)
{
    Session session;
    const json layers = json::array({
        json::array({"", 1, "", "lines", json::array({json::array({json::array({0, 0}), json::array({1, 1})})})}),
        json::array({"Kratke", 1, "nonexistent", "lines",
                     json::array({json::array({json::array({7, 7})}), json::array({json::array({0, 0}), json::array({2, 0})})})}),
        json::array({"Jine", 1, "", "arcs", json::array({json::array({1, 2})})}),
    });
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(layers)),
              "kod=0 vstup1=(0.000, 0.000) spp=(0.00, 0.00) georef=(0.00, 0.00) sever=0.00° cil=pudorys(podl.0) "
              "ulozeno1=(0.000, 0.000) vytvoreno=2 ensFail=1");
    const json project = session.Project();
    const json polylines = ElementsOfType(project, "polyline");
    ASSERT_EQ(polylines.size(), 1u) << "a one-vertex polyline is counted but not made";
    EXPECT_EQ(polylines[0]["lineType"], 1) << "an unknown line type keeps the default";
    EXPECT_TRUE(LayerIndex(project, "Jine"));
}

TEST(CadastreUndo, OneStepUndoneAndRedoneWhole)
{
    Session session;
    session.Call("PlaceCadastre", PlanArgs(SmallCadastre()));
    json project = session.Project();
    ASSERT_EQ(project["undoSteps"].size(), 1u);
    EXPECT_EQ(project["undoSteps"][0]["name"], "Vložit katastr");
    EXPECT_EQ(project["undoSteps"][0]["elements"].size(), 4u);
    const json placed = project["elements"];

    EXPECT_EQ(session.sim.Undo(1), 1);
    project = session.Project();
    EXPECT_TRUE(project["elements"].empty());
    EXPECT_FALSE(LayerIndex(project, "KN hranice"));

    EXPECT_EQ(session.sim.Redo(1), 1);
    EXPECT_EQ(session.Project()["elements"], placed);
}

TEST(CadastreWorksheet, DefaultNamesCreatedOnceThenReused)
{
    Session session(json{{"stories", {{"current", 0}, {"last", 1},
                                  {"list", {{{"index", 0}, {"name", "0"}}, {{"index", 1}, {"name", "1"}}}}}}});
    const json args = json::array({"worksheet", "", "", 1, SmallCadastre()});
    EXPECT_EQ(session.Call("PlaceCadastre", args),
              "kod=0 vstup1=(10.000, 20.000) spp=(0.00, 0.00) georef=(0.00, 0.00) sever=0.00° list='Podklady KN' "
              "ulozeno1=(10.000, 20.000) vytvoreno=4 ensFail=0");
    session.Call("PlaceCadastre", args);

    const json project = session.Project();
    ASSERT_EQ(project["worksheets"].size(), 1u);
    const auto sheet = WorksheetNamed(project, "KN", "Podklady");
    ASSERT_TRUE(sheet);
    const json elements = project["elements"];
    ASSERT_EQ(elements.size(), 8u);
    for (const json& element : elements) {
        EXPECT_EQ(element["view"], (*sheet)["id"]);
        EXPECT_EQ(element["story"], 0) << "a worksheet target keeps the default story";
    }
    EXPECT_EQ(project["currentView"]["kind"], "plan") << "the user's view comes back";
}

TEST(CadastreWorksheet, NameMatchWithOtherReferenceMakesANewWorksheet)
{
    Session session(json{{"worksheets", {{{"id", "{11111111-2222-3333-4444-555555555555}"}, {"name", "Mapa"}, {"ref", "A"}}}}});
    const std::string reply = session.Call("PlaceCadastre", json::array({"ws", "Mapa", "B", 0, SmallCadastre()}));
    EXPECT_NE(reply.find("list='B Mapa' "), std::string::npos) << reply;
    const json project = session.Project();
    EXPECT_EQ(project["worksheets"].size(), 2u);
    const auto created = WorksheetNamed(project, "Mapa", "B");
    ASSERT_TRUE(created);
    EXPECT_EQ(project["elements"][0]["view"], (*created)["id"]);

    session.Call("PlaceCadastre", json::array({"ws", "Mapa", "A", 0, SmallCadastre()}));
    EXPECT_EQ(session.Project()["worksheets"].size(), 2u) << "an exact match is reused";
}

TEST(CadastreWorksheet, OverlongNamesAreCutAndFoundAgain)
{
    Session session;
    const std::string name(400, 'N');
    const json args = json::array({"ws", name, "R", 0, SmallCadastre()});
    EXPECT_EQ(session.Call("PlaceCadastre", args).rfind("kod=0 ", 0), 0u);
    session.Call("PlaceCadastre", args);
    const json project = session.Project();
    ASSERT_EQ(project["worksheets"].size(), 1u);
    EXPECT_EQ(project["worksheets"][0]["name"], std::string(255, 'N'));
}

TEST(CadastreWorksheet, ACutNeverSplitsACharacter)
{
    // U+1F5FA (a map) is two UTF-16 units; at units 255 and 256 the field can keep only the first.
    const std::string map = "\xF0\x9F\x97\xBA";
    const std::string name = std::string(254, 'N') + map + "konec";
    const std::string ref = std::string(254, 'R') + map;
    Session session;
    const json args = json::array({"ws", name, ref, 0, SmallCadastre()});
    for (int call = 0; call < 3; ++call)
        EXPECT_EQ(session.Call("PlaceCadastre", args).rfind("kod=0 ", 0), 0u) << call;
    json project = session.Project();
    ASSERT_EQ(project["worksheets"].size(), 1u) << "every call finds the worksheet the first one made";
    EXPECT_EQ(project["worksheets"][0]["name"], std::string(254, 'N'));
    EXPECT_EQ(project["worksheets"][0]["ref"], std::string(254, 'R'));

    // A pair that fits whole is kept.
    const std::string fits = std::string(253, 'M') + map;
    session.Call("PlaceCadastre", json::array({"ws", fits, "A", 0, SmallCadastre()}));
    session.Call("PlaceCadastre", json::array({"ws", fits, "A", 0, SmallCadastre()}));
    project = session.Project();
    ASSERT_EQ(project["worksheets"].size(), 2u);
    EXPECT_EQ(project["worksheets"][1]["name"], fits);
}

TEST(CadastreFailures, WorksheetNeitherFoundNorCreated)
{
    Session session(WithFaults(json::object(), {{"NewDatabase", -2130313215}}));
    EXPECT_EQ(session.Call("PlaceCadastre", json::array({"ws", "", "", 0, SmallCadastre()})),
              "kod=-71001 vstup1=(10.000, 20.000) spp=(0.00, 0.00) georef=(0.00, 0.00) sever=0.00° list=NENALEZEN "
              "vytvoreno=0 ensFail=0");
    EXPECT_TRUE(session.Project().value("undoSteps", json::array()).empty());
}

TEST(CadastreFailures, WorksheetReachedByItsWindow)
{
    json faults = {{"ChangeCurrentDatabase", {{"code", -2130313209}, {"calls", {1}}}}, {"GetGeoLocation", -1}};
    Session session(WithFaults(json::object(), faults));
    const json layers = json::array({json::array({"L", 1, "", "texts", json::array({json::array({1, 2, 0, "x"})})})});
    EXPECT_EQ(session.Call("PlaceCadastre", json::array({"ws", "", "", 0, layers})),
              "kod=0 list='Podklady KN' (prepnuto oknem) vytvoreno=1 ensFail=0");
    const json project = session.Project();
    EXPECT_EQ(project["currentView"]["kind"], "plan") << "switched back by window";
    EXPECT_EQ(project["elements"].size(), 1u);
}

TEST(CadastreFailures, ViewSwitchFails)
{
    Session session(WithFaults(json::object(), {{"ChangeCurrentDatabase", -2130313209}, {"GetGeoLocation", -1}}));
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(SmallCadastre())),
              "kod=-2130313209 vstup1=(10.000, 20.000) cil=pudorys(podl.0) switch_err=-2130313209 vytvoreno=0 "
              "ensFail=0");
    EXPECT_TRUE(session.Project()["elements"].empty());
}

TEST(CadastreFailures, WorksheetWindowFailsToo)
{
    json both = {{"ChangeCurrentDatabase", -2130313209}, {"ChangeWindow", -2130313208}, {"GetGeoLocation", -1}};
    Session session(WithFaults(json::object(), both));
    EXPECT_EQ(session.Call("PlaceCadastre", json::array({"ws", "", "", 0, json::array({json::array({"L"})})})),
              "kod=-2130313208 list='Podklady KN' (prepnuto oknem) switch_err=-2130313208 vytvoreno=0 ensFail=0");
}

TEST(CadastreFailures, RefusedDefaultsSkipTheElement)
{
    Session session(WithFaults(json::object(), {{"GetElementDefaults", {{"code", -2130313213}, {"calls", {1}}}},
                                                {"GetGeoLocation", -1}}));
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(SmallCadastre())),
              "kod=0 vstup1=(10.000, 20.000) cil=pudorys(podl.0) ulozeno1=(0.000, 0.000) vytvoreno=3 ensFail=0");
}

TEST(CadastreFailures, RefusedCreationIsNotCounted)
{
    Session session(WithFaults(json::object(), {{"CreateElement", {{"code", -2130313213}, {"calls", {2}}}},
                                                {"GetGeoLocation", -1}}));
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(SmallCadastre())),
              "kod=0 vstup1=(10.000, 20.000) cil=pudorys(podl.0) ulozeno1=(10.000, 20.000) vytvoreno=3 ensFail=0");
    EXPECT_EQ(session.Project()["elements"].size(), 3u);
}

TEST(CadastreFailures, RefusedLayerSkipsItsItems)
{
    Session session(WithFaults(json::object(), {{"CreateAttribute", {{"code", -2130313213}, {"calls", {2}}}},
                                                {"GetGeoLocation", -1}}));
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(SmallCadastre())),
              "kod=0 vstup1=(10.000, 20.000) cil=pudorys(podl.0) ulozeno1=(10.000, 20.000) vytvoreno=2 ensFail=1");
}

TEST(CadastreFailures, UnreadableMemoDropsTheStoredVertex)
{
    Session session(WithFaults(json::object(), {{"GetElementMemo", -2130313213}, {"GetGeoLocation", -1}}));
    const Int64 handlesBefore = BMGetLiveHandleCount();
    EXPECT_EQ(session.Call("PlaceCadastre", PlanArgs(SmallCadastre())),
              "kod=0 vstup1=(10.000, 20.000) cil=pudorys(podl.0) vytvoreno=4 ensFail=0");
    EXPECT_EQ(BMGetLiveHandleCount(), handlesBefore);
}

TEST(CadastreFailures, ThrowingHostOperationLeavesNoTrace)
{
    for (const char* kind : {"gs", "std", "other"}) {
        json faults = {{"CreateElement", {{"code", -2130313213}, {"calls", {3}}, {"throws", kind}}}};
        Session session(WithFaults(json::object(), faults));
        const Int64 handlesBefore = BMGetLiveHandleCount();
        EXPECT_EQ(session.Call("PlaceCadastre", json::array({"ws", "", "", 0, SmallCadastre()})),
                  "kod=-7003 EXC_prime ")
            << kind;
        const json project = session.Project();
        EXPECT_EQ(project["currentView"]["kind"], "plan") << kind;
        EXPECT_TRUE(project["elements"].empty()) << kind;
        EXPECT_TRUE(project.value("undoSteps", json::array()).empty()) << kind;
        EXPECT_EQ(BMGetLiveHandleCount(), handlesBefore) << kind;
    }
}

TEST(CadastreFailures, MemoHandlesAreReleased)
{
    Session session(OffsetProject(1, 2));
    const Int64 handlesBefore = BMGetLiveHandleCount();
    session.Call("PlaceCadastre", PlanArgs(SmallCadastre()));
    session.Call("PlaceCadastre", json::array({"ws", "", "", 0, SmallCadastre()}));
    EXPECT_EQ(BMGetLiveHandleCount(), handlesBefore);
}
