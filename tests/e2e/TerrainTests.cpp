#include <regex>

#include "PlacementHarness.hpp"

using placementtest::ElementsOfType;
using placementtest::json;
using placementtest::LayerIndex;
using placementtest::Session;

namespace {

// Corners of a 10 m square with heights 1..4 and a centre point.
const std::string SquarePoints = "0 0 1\n10 0 2\n10 10 3\n0 10 4\n5 5 5\n";

json TerrainArgs(const std::string& points, const json& outline, bool exact, const std::string& code = "dmr5g")
{
    return json::array({code, points, 0, outline, "", "", "", "", exact ? 1 : 0});
}

json OnlyMesh(const json& project)
{
    const json meshes = ElementsOfType(project, "mesh");
    EXPECT_EQ(meshes.size(), 1u);
    return meshes.empty() ? json::object() : meshes[0];
}

json Polygon(const std::vector<std::array<double, 3>>& open)
{
    json closed = json::array();
    for (const auto& vertex : open)
        closed.push_back({vertex[0], vertex[1], vertex[2]});
    closed.push_back(closed[0]);
    return closed;
}

const std::string Sheet = "{6F9619FF-8B86-D011-B42D-00C04FC964FF}";

const std::regex SuccessLine(
    "kod=0 win=1 u1 u2 u3 u4 u5 u6 body=(\\d+) obrys=(\\d+)\\((presny|z bodu)\\) create=0 cas=\\d+ms "
    "zmin=(-?\\d+\\.\\d\\d) tloustka_dna=(-?\\d+\\.\\d\\d) undo_ret=0 ");

}  // namespace

TEST(TerrainBoundary, WithoutOutlineTheMeshRunsAroundTheBoundingRectangle)
{
    Session session;
    const std::string reply = session.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, 0}));
    std::smatch match;
    ASSERT_TRUE(std::regex_match(reply, match, SuccessLine)) << reply;
    EXPECT_EQ(match[1], "5");
    EXPECT_EQ(match[2], "4");
    EXPECT_EQ(match[3], "z bodu");

    const json mesh = OnlyMesh(session.Project());
    EXPECT_EQ(mesh["polygon"], Polygon({{0, 0, 1}, {10, 0, 2}, {10, 10, 3}, {0, 10, 4}}));
    EXPECT_EQ(mesh["levelPoints"], json({{0, 0, 1}, {10, 0, 2}, {10, 10, 3}, {0, 10, 4}, {5, 5, 5}}));
    EXPECT_EQ(mesh["view"], "plan");
}

TEST(TerrainBoundary, AnOutlineOfTwoVerticesIsReplacedByTheRectangle)
{
    Session session;
    const std::string reply =
        session.Call("PlaceTerrain", TerrainArgs(SquarePoints, json({{1, 1}, {9, 9}}), true));
    EXPECT_NE(reply.find("obrys=4(presny)"), std::string::npos) << reply;
    EXPECT_EQ(OnlyMesh(session.Project())["polygon"], Polygon({{0, 0, 1}, {10, 0, 2}, {10, 10, 3}, {0, 10, 4}}));
}

TEST(TerrainBoundary, ExactOutlineKeepsItsVerticesWithNearestHeights)
{
    Session session({{"originOffset", {100, 200}}});
    const json outline = {{1, 1}, {9, 2}, {8, 9}, {6, 5.5}};
    const std::string reply = session.Call("PlaceTerrain", TerrainArgs(SquarePoints, outline, true));
    EXPECT_NE(reply.find("ofs=(100.000, 200.000) u3 "), std::string::npos) << reply;
    const json mesh = OnlyMesh(session.Project());
    EXPECT_EQ(mesh["polygon"], Polygon({{-99, -199, 1}, {-91, -198, 2}, {-92, -191, 3}, {-94, -194.5, 5}}));
    EXPECT_EQ(mesh["levelPoints"][4], json({-95, -195, 5}));
}

TEST(TerrainBoundary, SnappingToFewerThanThreePointsKeepsTheGivenOutline)
{
    Session session;
    const json outline = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    const std::string reply =
        session.Call("PlaceTerrain", TerrainArgs("0 0 7\n100 100 8\n50 50 9\n", outline, false));
    EXPECT_NE(reply.find("obrys=4(z bodu)"), std::string::npos) << reply;
    EXPECT_EQ(OnlyMesh(session.Project())["polygon"], Polygon({{-1, -1, 7}, {1, -1, 7}, {1, 1, 7}, {-1, 1, 7}}));
}

TEST(TerrainBoundary, SnappedBoundaryRunsThroughMeasuredPoints)
{
    std::string points;
    for (int y = 0; y <= 20; ++y)
        for (int x = 0; x <= 20; ++x)
            points += std::to_string(x) + " " + std::to_string(y) + " " + std::to_string(x + 100 * y) + "\n";
    Session session;
    session.Call("PlaceTerrain", TerrainArgs(points, json({{0.2, 0.2}, {19.8, 0.2}, {19.8, 19.8}, {0.2, 19.8}}), false));
    const json polygon = OnlyMesh(session.Project())["polygon"];
    ASSERT_GT(polygon.size(), 5u);
    for (const json& vertex : polygon) {
        const double x = vertex[0], y = vertex[1];
        EXPECT_TRUE(x == 0 || x == 20 || y == 0 || y == 20) << vertex;
        EXPECT_EQ(vertex[2].get<double>(), x + 100 * y);
    }
}

TEST(TerrainBoundary, EqualDistancesTakeTheEarlierPoint)
{
    const json outline = {{1, 0}, {20, 0}, {20, 20}};
    {
        Session first;
        first.Call("PlaceTerrain", TerrainArgs("0 0 5\n2 0 7\n20 0 1\n20 20 1\n", outline, true));
        EXPECT_EQ(OnlyMesh(first.Project())["polygon"][0][2], 5);
    }
    Session second;
    second.Call("PlaceTerrain", TerrainArgs("2 0 7\n0 0 5\n20 0 1\n20 20 1\n", outline, true));
    EXPECT_EQ(OnlyMesh(second.Project())["polygon"][0][2], 7);
}

TEST(TerrainBoundary, NonFiniteOutlineVerticesAreLeftOut)
{
    Session session;
    const json outline = {{1, 1}, {"nan", 5}, {9, 1}, {9, 9}};
    const std::string reply = session.Call("PlaceTerrain", TerrainArgs(SquarePoints, outline, true));
    EXPECT_NE(reply.find("create=0"), std::string::npos) << reply;
    EXPECT_EQ(OnlyMesh(session.Project())["polygon"].size(), 4u);
}

TEST(TerrainPoints, ATwoNumberLineBorrowsItsHeightFromTheNextLine)
{
    Session session;
    EXPECT_EQ(session.Call("PlaceTerrain", json::array({"dmr5g", "10 20\n30 40 50\n1 2 3\n"})),
              "kod=-2130313112 malo bodu (2) ");
    session.Call("PlaceTerrain", json::array({"dmr5g", "10 20\n30 40 50\n0 0 0\n20 0 0\n"}));
    EXPECT_EQ(OnlyMesh(session.Project())["levelPoints"], json({{10, 20, 30}, {0, 0, 0}, {20, 0, 0}}));
}

TEST(TerrainPoints, NoArgumentsAtAllAreTooFewPoints)
{
    Session session;
    EXPECT_EQ(session.Call("PlaceTerrain", json::array()), "kod=-2130313112 malo bodu (0) ");
    EXPECT_TRUE(session.Project()["undoSteps"].empty());
}

TEST(TerrainHeights, SkirtReachesTwoMetresBelowTheLowestPoint)
{
    std::string points;
    for (int i = 0; i < 10; ++i)
        points += std::to_string(i * 3) + " " + std::to_string((i * 7) % 10) + " " + std::to_string(251.2 + i * 1.41) + "\n";
    {
        Session session;
        const std::string reply = session.Call("PlaceTerrain", json::array({"dmr5g", points, 250}));
        std::smatch match;
        ASSERT_TRUE(std::regex_match(reply, match, SuccessLine)) << reply;
        EXPECT_EQ(match[4], "1.20");
        EXPECT_EQ(match[5], "1.00");
        const json mesh = OnlyMesh(session.Project());
        EXPECT_EQ(mesh["skirt"], 1);
        EXPECT_EQ(mesh["skirtDepth"], 1.0);
        EXPECT_NEAR(mesh["levelPoints"][9][2].get<double>(), 13.89, 1e-9);
    }

    Session raised({{"defaults", {{"meshLevel", 10.0}}}});
    raised.Call("PlaceTerrain", json::array({"dmr5g", points, 250}));
    EXPECT_EQ(OnlyMesh(raised.Project())["skirtDepth"], 11.0);  // ceil(10 - 1.2 + 2)
}

TEST(TerrainHeights, ANonFiniteReferenceElevationCountsAsNone)
{
    for (const json& reference : {json("nan"), json("inf"), json("-inf"), json("-nan"), json("infinity")}) {
        Session session;
        const std::string reply = session.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, reference}));
        std::smatch match;
        ASSERT_TRUE(std::regex_match(reply, match, SuccessLine)) << reference << ": " << reply;
        EXPECT_EQ(match[4], "1.00") << reference;
        EXPECT_EQ(match[5], "1.00") << reference;
        const json mesh = OnlyMesh(session.Project());
        EXPECT_EQ(mesh["levelPoints"], json({{0, 0, 1}, {10, 0, 2}, {10, 10, 3}, {0, 10, 4}, {5, 5, 5}})) << reference;
        EXPECT_EQ(mesh["polygon"], Polygon({{0, 0, 1}, {10, 0, 2}, {10, 10, 3}, {0, 10, 4}})) << reference;
    }
}

TEST(TerrainStyle, DefaultLayerNameFollowsTheDatasetCode)
{
    for (const auto& [code, layer] : std::vector<std::pair<std::string, std::string>>{
             {"dmp_ok", "_ Terén okolí OK.Terén"}, {"dmp1g", "_ Terén okolí 1G.Terén"},
             {"dmr5g", "_ Terén okolí 5G.Terén"}, {"", "_ Terén okolí 5G.Terén"}}) {
        Session session;
        session.Call("PlaceTerrain", json::array({code, SquarePoints, 0}));
        const json project = session.Project();
        ASSERT_TRUE(LayerIndex(project, layer)) << code;
        EXPECT_EQ(OnlyMesh(project)["layer"], *LayerIndex(project, layer)) << code;
    }
}

TEST(TerrainStyle, NamedLayerSurfacesAndMaterialAreApplied)
{
    Session session({{"surfaces", {{{"index", 3}, {"name", "Tráva"}}, {{"index", 4}, {"name", "Zemina"}}}},
                     {"buildingMaterials", {{{"index", 2}, {"name", "Zemina"}}}}});
    json args = json::array({"dmp1g", SquarePoints, 0, json::array(), "Můj terén", "Tráva", "Zemina", "Zemina", 1});
    const std::string reply = session.Call("PlaceTerrain", args);
    EXPECT_EQ(reply.find("textura"), std::string::npos);
    const json project = session.Project();
    const json mesh = OnlyMesh(project);
    EXPECT_EQ(mesh["layer"], *LayerIndex(project, "Můj terén"));
    EXPECT_EQ(mesh["topSurface"], 3);
    EXPECT_EQ(mesh["sideSurface"], 4);
    EXPECT_EQ(mesh["bottomSurface"], 4);
    EXPECT_EQ(mesh["buildingMaterial"], 2);
    EXPECT_EQ(mesh["chaining"], true);  // untouched without a texture
}

TEST(TerrainStyle, UnknownNamesKeepTheDefaults)
{
    Session unknown;
    unknown.Call("PlaceTerrain", json::array({"dmp1g", SquarePoints, 0, json::array(), "", "Nic", "Nic", "Nic", 1}));
    EXPECT_TRUE(OnlyMesh(unknown.Project())["topSurface"].is_null());
}

TEST(TerrainUndo, EachPlacementIsOneUndoStepAndReleasesItsHandles)
{
    Session session;
    const Int64 handles = BMGetLiveHandleCount();
    session.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, 0}));
    session.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, 0}));
    EXPECT_EQ(BMGetLiveHandleCount(), handles);
    const json steps = session.Project()["undoSteps"];
    ASSERT_EQ(steps.size(), 2u);
    EXPECT_EQ(steps[0]["name"], "Vložit terén");
    EXPECT_EQ(steps[0]["elements"].size(), 1u);
    EXPECT_EQ(session.sim.Undo(1), 1);
    EXPECT_EQ(ElementsOfType(session.Project(), "mesh").size(), 1u);
}

TEST(TerrainFailures, SwitchAndDefaultsFailuresAreReported)
{
    {
        Session plan({{"faults", {{"ChangeCurrentDatabase", {{"code", -5}, {"calls", {1}}}}}}});
        EXPECT_EQ(plan.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, 0})),
                  "kod=-5 win=1 u1 switch_plan_err=-5 undo_ret=-5 ");
    }

    Session defaults({{"faults", {{"GetElementDefaults", -6}}}});
    EXPECT_EQ(defaults.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, 0})),
              "kod=-6 win=1 u1 u2 defaults_err=-6 undo_ret=-6 ");
    EXPECT_TRUE(ElementsOfType(defaults.Project(), "mesh").empty());
}

TEST(TerrainFailures, RefusedCreationKeepsItsCodeAndFreesTheMemo)
{
    Session session({{"faults", {{"CreateElement", -9}}}, {"missing", {"DisposeElementMemo"}}});
    const Int64 handles = BMGetLiveHandleCount();
    const std::string reply = session.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, 0}));
    EXPECT_EQ(reply.rfind("kod=-9 ", 0), 0u) << reply;
    EXPECT_NE(reply.find(" create=-9 "), std::string::npos) << reply;
    EXPECT_EQ(BMGetLiveHandleCount(), handles);
}

TEST(TerrainFailures, ExceptionsInsideTheCommandBecomeDiagnostics)
{
    struct Row {
        json fault;
        std::regex reply;
    };
    const std::vector<Row> rows{
        {{{"code", -42}, {"throws", "gs"}},
         std::regex("kod=-42 win=12 u1 u2 u3 u4 u5 u6 EXC_GS=GSException kod=-42 misto=\\S+:\\d+ "
                    "msg=injected fault of CreateElement undo_ret=-42 ")},
        {{{"code", 0}, {"throws", "gs"}},
         std::regex("kod=-7003 .* EXC_GS=GSException kod=-7003 misto=\\S+:\\d+ msg=injected fault of CreateElement "
                    "undo_ret=-7003 ")},
        {{{"code", -1}, {"throws", "std"}},
         std::regex("kod=-7003 .* u6 EXC_std=injected fault of CreateElement undo_ret=-7003 ")},
        {{{"code", -1}, {"throws", "other"}}, std::regex("kod=-7003 .* u6 EXC_neznama undo_ret=-7003 ")},
    };
    for (const Row& row : rows) {
        // Started on a worksheet, so that the restored view shows.
        Session session({{"worksheets", {{{"id", Sheet}, {"name", "KN"}, {"ref", "Podklady"}}}},
                         {"currentView", {{"kind", "worksheet"}, {"id", Sheet}}},
                         {"openWindows", {Sheet}},
                         {"faults", {{"CreateElement", row.fault}}}});
        const Int64 handles = BMGetLiveHandleCount();
        const std::string reply = session.Call("PlaceTerrain", json::array({"dmr5g", SquarePoints, 0}));
        EXPECT_TRUE(std::regex_match(reply, row.reply)) << reply;
        EXPECT_EQ(BMGetLiveHandleCount(), handles) << reply;
        const json project = session.Project();
        EXPECT_EQ(project["currentView"]["kind"], "worksheet");
        EXPECT_EQ(project["currentView"]["id"], Sheet);
        EXPECT_TRUE(ElementsOfType(project, "mesh").empty());
    }
}
