#include <string>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "ModuleSession.hpp"
#include "Simulator.hpp"

namespace {

using nlohmann::json;

// A project without attributes, with one pen and one story, so that whole replies stay short.
json SmallProject()
{
    return {
        {"layers", json::array()},
        {"lineTypes", json::array()},
        {"surfaces", json::array()},
        {"buildingMaterials", json::array()},
        {"pens", {{{"index", 1}, {"rgb", {1.0, 0.5, 0.0}}}}},
        {"stories", {{"current", 0}, {"last", 0}, {"list", {{{"index", 0}, {"name", "Přízemí"}}}}}},
        {"site", {{"longitude", 14.42}, {"latitude", 50.08}, {"altitude", 245.25}, {"north", 0.0}}},
    };
}

std::string Catalogue(const json& project)
{
    test::ModuleSession session({.project = project});
    const sim::CallResult result = session.Call("GetAttributes", json::array());
    EXPECT_TRUE(result.found);
    EXPECT_TRUE(result.reply.is_string());
    return result.Text();
}

// The members of a reply from "pens" on, for a project built on SmallProject.
const std::string SmallTail =
    R"(,"pens":["#ff8000"],"worksheets":[],"stories":[[0,"Přízemí"]],"actStory":0,"altitude":245.250})";

TEST(AttributeCatalogue, EmptyProjectListsEveryMemberInOrder)
{
    EXPECT_EQ(Catalogue(SmallProject()), R"({"layers":[],"lineTypes":[],"surfaces":[],"buildMats":[])" + SmallTail);
}

TEST(AttributeCatalogue, NamesAreEscapedAndControlCharactersDropped)
{
    json project = SmallProject();
    project["layers"] = {{{"index", 1}, {"name", "Vrstva \"A\" \\ B"}}, {{"index", 2}, {"name", "řádek\tdva\r\nkonec"}}};
    project["surfaces"] = {{{"index", 3}, {"name", "Cihla/omítka"}}};
    project["buildingMaterials"] = {{{"index", 7}, {"name", "Beton \U0001F9F1"}}};
    EXPECT_EQ(Catalogue(project),
              R"({"layers":["Vrstva \"A\" \\ B","řádekdvakonec"],"lineTypes":[],"surfaces":["Cihla/omítka"],)"
              R"("buildMats":["Beton )" "\U0001F9F1" R"("])" + SmallTail);
}

TEST(AttributeCatalogue, LineTypesByIndexOthersInHostOrder)
{
    json project = SmallProject();
    project["layers"] = {{{"index", 9}, {"name", "L9"}}, {{"index", 2}, {"name", "L2"}}};
    project["lineTypes"] = {{{"index", 5}, {"name", "Čárkovaná"}},
                            {{"index", 1}, {"name", "Plná"}},
                            {{"index", 3}, {"name", "Tečkovaná"}}};
    project["surfaces"] = {{{"index", 4}, {"name", "S4"}}, {{"index", 1}, {"name", "S1"}}};
    project["buildingMaterials"] = {{{"index", 20}, {"name", "B20"}}, {{"index", 10}, {"name", "B10"}}};
    EXPECT_EQ(Catalogue(project), R"({"layers":["L9","L2"],"lineTypes":["Plná","Tečkovaná","Čárkovaná"],)"
                                  R"("surfaces":["S4","S1"],"buildMats":["B20","B10"])" +
                                      SmallTail);
}

TEST(AttributeCatalogue, WorksheetsWithReferenceThenName)
{
    json project = SmallProject();
    project["worksheets"] = {
        {{"id", "{11111111-1111-4111-8111-111111111111}"}, {"name", "KN"}, {"ref", "Podklady"}},
        {{"id", "{22222222-2222-4222-8222-222222222222}"}, {"name", "Výkres \"2\""}, {"ref", "W\\2"}},
        {{"id", "{33333333-3333-4333-8333-333333333333}"}, {"name", "Třetí"}, {"ref", "W3"}},
    };
    const std::string all = Catalogue(project);
    EXPECT_NE(all.find(R"("worksheets":[["Podklady","KN"],["W\\2","Výkres \"2\""],["W3","Třetí"]],)"),
              std::string::npos)
        << all;

    // The second record cannot be read: it is left out, the others stay.
    project["faults"] = {{"GetDatabaseInfo", {{"code", -2130313210}, {"calls", {2}}}}};
    const std::string gap = Catalogue(project);
    EXPECT_NE(gap.find(R"("worksheets":[["Podklady","KN"],["W3","Třetí"]],)"), std::string::npos) << gap;

    // Only the first can be read: no stray comma in front of the ones that follow.
    project["faults"] = {{"GetDatabaseInfo", {{"code", -2130313210}, {"calls", {1}}}}};
    const std::string firstGone = Catalogue(project);
    EXPECT_NE(firstGone.find(R"("worksheets":[["W\\2","Výkres \"2\""],["W3","Třetí"]],)"), std::string::npos)
        << firstGone;

    project["faults"] = {{"GetWorksheetDatabaseIds", -2130313216}};
    EXPECT_NE(Catalogue(project).find(R"("worksheets":[],)"), std::string::npos);
}

TEST(AttributeCatalogue, StoriesUpToTheLastIndexWithBasements)
{
    json project = SmallProject();
    project["stories"] = {{"current", 1},
                          {"last", 1},
                          {"list",
                           {{{"index", -1}, {"name", "Suterén"}},
                            {{"index", 0}, {"name", "Přízemí"}},
                            {{"index", 1}, {"name", "1. NP \"horní\""}},
                            {{"index", 2}, {"name", "Nad posledním"}}}}};
    EXPECT_EQ(Catalogue(project),
              R"({"layers":[],"lineTypes":[],"surfaces":[],"buildMats":[],"pens":["#ff8000"],"worksheets":[],)"
              R"("stories":[[-1,"Suterén"],[0,"Přízemí"],[1,"1. NP \"horní\""]],"actStory":1,"altitude":245.250})");
}

TEST(AttributeCatalogue, UnreadableStoriesAndSiteTakeDefaults)
{
    json project = SmallProject();
    project["stories"]["current"] = 0;
    project["faults"] = {{"GetStorySettings", -2130313216}, {"GetSiteLocation", -2130313216}};
    EXPECT_EQ(Catalogue(project), R"({"layers":[],"lineTypes":[],"surfaces":[],"buildMats":[],"pens":["#ff8000"],)"
                                  R"("worksheets":[],"stories":[],"actStory":0,"altitude":0.000})");

    // A current story other than 0 must not leak through a failed read.
    project["stories"] = {{"current", 2}, {"last", 2}, {"list", {{{"index", 2}, {"name", "2. NP"}}}}};
    project["faults"] = {{"GetStorySettings", {{"code", -2130313216}}}};
    EXPECT_NE(Catalogue(project).find(R"("stories":[],"actStory":0,)"), std::string::npos);
}

TEST(AttributeCatalogue, MissingOperationsTakeDefaults)
{
    json project = SmallProject();
    project["missing"] = {"GetSiteLocation", "GetStorySettings", "GetWorksheetDatabaseIds"};
    EXPECT_EQ(Catalogue(project), R"({"layers":[],"lineTypes":[],"surfaces":[],"buildMats":[],"pens":["#ff8000"],)"
                                  R"("worksheets":[],"stories":[],"actStory":0,"altitude":0.000})");
}

json Pens(int count)
{
    json pens = json::array();
    for (int i = 1; i <= count; ++i)
        pens.push_back({{"index", i}, {"rgb", {0.0, 0.0, i / 255.0}}});
    return pens;
}

// The pens member of a reply, as a JSON array.
json PensOf(const std::string& reply)
{
    return json::parse(reply).at("pens");
}

TEST(AttributeCatalogue, PenCountIsCappedAndZeroMeansAll)
{
    json project = SmallProject();
    project["pens"] = Pens(300);
    json listed = PensOf(Catalogue(project));
    ASSERT_EQ(listed.size(), 255u);
    EXPECT_EQ(listed[0], "#000001");
    EXPECT_EQ(listed[254], "#0000ff");

    project["pens"] = json::array();
    listed = PensOf(Catalogue(project));
    ASSERT_EQ(listed.size(), 255u);
    for (const auto& colour : listed)
        EXPECT_EQ(colour, "#cccccc");
}

TEST(AttributeCatalogue, PenColoursRoundAndUnreadablePensKeepTheirPosition)
{
    json project = SmallProject();
    project["pens"] = {{{"index", 1}, {"rgb", {1.0, 0.5, 0.0}}},
                       {{"index", 2}, {"rgb", {0.2, 0.4, 0.6}}},
                       {{"index", 3}, {"rgb", {0.001, 0.999, 0.5}}}};
    project["faults"] = {{"GetPen", {{"code", -2130313212}, {"calls", {2}}}}};
    EXPECT_EQ(PensOf(Catalogue(project)), json::array({"#ff8000", "#cccccc", "#00ff80"}));
}

TEST(AttributeCatalogue, EightBitNamesAreReadAsUtf8)
{
    json project = SmallProject();
    project["layers"] = {{{"index", 1}, {"name", "Řez \"8bit\""}, {"narrowNameOnly", true}},
                         {{"index", 2}, {"name", "Obrys"}}};
    EXPECT_EQ(json::parse(Catalogue(project)).at("layers"), json::array({"Řez \"8bit\"", "Obrys"}));
}

TEST(AttributeCatalogue, ReplyIsValidJsonForHostileNames)
{
    json project = SmallProject();
    std::string hostile = "\\\"}]{[,\x01\x1f\x7f/";
    project["layers"] = {{{"index", 1}, {"name", hostile}}};
    project["worksheets"] = {{{"id", "{44444444-4444-4444-8444-444444444444}"}, {"name", hostile}, {"ref", hostile}}};
    const json parsed = json::parse(Catalogue(project));
    EXPECT_EQ(parsed.at("layers")[0], "\\\"}]{[,\x7f/");
    EXPECT_EQ(parsed.at("worksheets")[0], json::array({"\\\"}]{[,\x7f/", "\\\"}]{[,\x7f/"}));
}

}  // namespace
