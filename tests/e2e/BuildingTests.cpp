#include "PlacementHarness.hpp"

using placementtest::ElementsOfType;
using placementtest::json;
using placementtest::LayerIndex;
using placementtest::Session;

namespace {

const std::string Square = "0 0\n10 0\n10 10\n0 10\n";

json House(const std::string& footprint, const json& base, const json& top, const std::string& roof = "")
{
    return json::array({footprint, base, top, roof});
}

json Meshes(const Session& session)
{
    return ElementsOfType(session.Project(), "mesh");
}

}  // namespace

TEST(Buildings, NoBuildingsIsNothingToDo)
{
    Session session;
    EXPECT_EQ(session.Call("PlaceBuildings", json::array()), "kod=0 zadne budovy ");
    EXPECT_EQ(session.Call("PlaceBuildings", json::array({json::array(), 200})), "kod=0 zadne budovy ");
    EXPECT_TRUE(session.Project()["undoSteps"].empty());
}

TEST(Buildings, WithoutRoofPointsTheRoofIsTheFlatFootprint)
{
    Session session({{"originOffset", {1, 2}}});
    EXPECT_EQ(session.Call("PlaceBuildings", json::array({json::array({House(Square, 203, 209)}), 200})),
              "kod=0 ofs=(1.000, 2.000) budov=1 vytvoreno=1 preskoceno=0 ");
    const json project = session.Project();
    const json mesh = ElementsOfType(project, "mesh").at(0);
    EXPECT_EQ(mesh["polygon"], json({{-1, -2, 9}, {9, -2, 9}, {9, 8, 9}, {-1, 8, 9}, {-1, -2, 9}}));
    EXPECT_EQ(mesh["levelPoints"], json({{-1, -2, 9}, {9, -2, 9}, {9, 8, 9}, {-1, 8, 9}}));
    EXPECT_EQ(mesh["skirt"], 1);
    EXPECT_EQ(mesh["skirtDepth"], 1.0);  // foot 3 m above the level
    EXPECT_EQ(mesh["layer"], *LayerIndex(project, "_ Terén okolí zástavba.Terén"));
    EXPECT_EQ(mesh["option"], true);
}

TEST(Buildings, RoofPointsBecomeOneLevelLineEachRelativeToTheReference)
{
    Session session;
    session.Call("PlaceBuildings",
                 json::array({json::array({House(Square, 195.5, 206, "5 5 212\nbad\n2 2 207 9\n")}), 200, "Domy"}));
    const json project = session.Project();
    const json mesh = ElementsOfType(project, "mesh").at(0);
    EXPECT_EQ(mesh["levelPoints"], json({{5, 5, 12}, {2, 2, 7}}));
    EXPECT_EQ(mesh["polygon"][0], json({0, 0, 6}));
    EXPECT_EQ(mesh["skirtDepth"], 5.0);  // ceil(0 - (-4.5))
    EXPECT_EQ(mesh["layer"], *LayerIndex(project, "Domy"));
}

TEST(Buildings, SkirtIsAtLeastOneMetre)
{
    Session session({{"defaults", {{"meshLevel", 2.0}}}});
    session.Call("PlaceBuildings", json::array({json::array({House(Square, 201.5, 206), House(Square, 190.2, 206)}), 200}));
    const json meshes = Meshes(session);
    ASSERT_EQ(meshes.size(), 2u);
    EXPECT_EQ(meshes[0]["skirtDepth"], 1.0);   // ceil(2 - 1.5) = 1
    EXPECT_EQ(meshes[1]["skirtDepth"], 12.0);  // ceil(2 + 9.8)
}

TEST(Buildings, OptionIsSwitchedOffOnlyWhenAsked)
{
    Session session;
    json off = House(Square, 0, 5);
    off.push_back(1);
    json kept = House(Square, 0, 5);
    kept.push_back(0.5);
    session.Call("PlaceBuildings", json::array({json::array({off, kept, House(Square, 0, 5)})}));
    const json meshes = Meshes(session);
    ASSERT_EQ(meshes.size(), 3u);
    EXPECT_EQ(meshes[0]["option"], false);
    EXPECT_EQ(meshes[1]["option"], true);
    EXPECT_EQ(meshes[2]["option"], true);
}

TEST(Buildings, ASkippedBuildingIsCountedAndDoesNotStopTheOthers)
{
    Session session;
    const std::string reply = session.Call(
        "PlaceBuildings", json::array({json::array({House("0 0\n10 0\n", 0, 5), House(Square, 0, 5)}), 0}));
    EXPECT_EQ(reply, "kod=0 budov=2 vytvoreno=1 preskoceno=1 (prvni_preskocena_kod=-2130313112) ");
    EXPECT_EQ(Meshes(session).size(), 1u);
    const json steps = session.Project()["undoSteps"];
    ASSERT_EQ(steps.size(), 1u);
    EXPECT_EQ(steps[0]["name"], "Vložit okolní zástavbu");
    EXPECT_EQ(steps[0]["elements"].size(), 1u);
}

TEST(Buildings, AllSkippedReportsTheFirstSkipCode)
{
    {
        Session session({{"faults", {{"CreateElement", {{"code", -77}, {"calls", {1}}}}}}});
        const std::string reply = session.Call(
            "PlaceBuildings",
            json::array({json::array({House("1 1", 0, 5), House(Square, 0, 5), House("nan 1\n2 2\n3 3", 0, 5)})}));
        EXPECT_EQ(reply, "kod=-2130313112 budov=3 vytvoreno=0 preskoceno=3 (prvni_preskocena_kod=-2130313112) ");
    }

    Session refused({{"faults", {{"CreateElement", -77}}}});
    EXPECT_EQ(refused.Call("PlaceBuildings", json::array({json::array({House(Square, 0, 5)})})),
              "kod=-77 budov=1 vytvoreno=0 preskoceno=1 (prvni_preskocena_kod=-77) ");
    EXPECT_TRUE(Meshes(refused).empty());
}

TEST(Buildings, NonFiniteElevations)
{
    // A non-finite reference elevation counts as none.
    for (const json& reference : {json("nan"), json("inf"), json("-inf")}) {
        Session session;
        EXPECT_EQ(session.Call("PlaceBuildings", json::array({json::array({House(Square, 3, 9, "5 5 12\n")}), reference})),
                  "kod=0 budov=1 vytvoreno=1 preskoceno=0 ")
            << reference;
        const json mesh = Meshes(session).at(0);
        EXPECT_EQ(mesh["polygon"][0], json({0, 0, 9})) << reference;
        EXPECT_EQ(mesh["levelPoints"], json({{5, 5, 12}})) << reference;
    }

    // A building whose foot or top is no number cannot be made: it is skipped like any other.
    {
        Session session;
        json buildings = json::array({House(Square, "nan", 9), House(Square, 3, "inf"), House(Square, 3, 9),
                                      House(Square, "-inf", 9), House(Square, 3, "-nan")});
        EXPECT_EQ(session.Call("PlaceBuildings", json::array({buildings, 0})),
                  "kod=0 budov=5 vytvoreno=1 preskoceno=4 (prvni_preskocena_kod=-2130313213) ");
        const json meshes = Meshes(session);
        ASSERT_EQ(meshes.size(), 1u);
        EXPECT_EQ(meshes[0]["polygon"][0], json({0, 0, 9}));
    }
    {
        // Finite elevations whose height above the reference is not.
        Session overflow;
        EXPECT_EQ(overflow.Call("PlaceBuildings",
                                json::array({json::array({House(Square, 0, 1e308), House(Square, 1e308, 0)}), -1e308})),
                  "kod=-2130313213 budov=2 vytvoreno=0 preskoceno=2 (prvni_preskocena_kod=-2130313213) ");
    }
    Session alone;
    EXPECT_EQ(alone.Call("PlaceBuildings", json::array({json::array({House(Square, 0, "nan")})})),
              "kod=-2130313213 budov=1 vytvoreno=0 preskoceno=1 (prvni_preskocena_kod=-2130313213) ");
    EXPECT_TRUE(Meshes(alone).empty());
}

TEST(Buildings, FailuresBeforeTheBuildingsAreReported)
{
    {
        Session plan({{"faults", {{"ChangeCurrentDatabase", {{"code", -5}, {"calls", {1}}}}}}});
        EXPECT_EQ(plan.Call("PlaceBuildings", json::array({json::array({House(Square, 0, 5)})})),
                  "kod=-5 switch_plan_err=-5 budov=1 vytvoreno=0 preskoceno=0 ");
    }

    Session defaults({{"faults", {{"GetElementDefaults", -6}}}});
    EXPECT_EQ(defaults.Call("PlaceBuildings", json::array({json::array({House(Square, 0, 5)})})),
              "kod=-6 budov=1 vytvoreno=0 preskoceno=1 (prvni_preskocena_kod=-6) ");
}

TEST(Buildings, HandlesAreReleasedEvenWhenTheHostThrows)
{
    Session session({{"faults", {{"CreateElement", {{"code", -3}, {"throws", "gs"}}}}}});
    const Int64 handles = BMGetLiveHandleCount();
    EXPECT_EQ(session.Call("PlaceBuildings", json::array({json::array({House(Square, 0, 5)})})),
              "kod=-7003 EXC_prime ");
    EXPECT_EQ(BMGetLiveHandleCount(), handles);
}

TEST(Buildings, WallSurfaceAndRoofTexture)
{
    const std::string png("\x89PNG\r\n\x1a\n-roof-", 14);
    {
        Session session({{"surfaces", {{{"index", 2}, {"name", "Omítka"}}}}});
        const std::string reply = session.Call(
            "PlaceBuildings", json::array({json::array({House(Square, 0, 5)}), 0, "", "Omítka", sim::EncodeBase64(png), 50, 40}));
        EXPECT_EQ(reply, "kod=0 mat=\"Ortofoto strechy CUZK\" budov=1 vytvoreno=1 preskoceno=0 textura=ano ");
        const json mesh = Meshes(session).at(0);
        EXPECT_EQ(mesh["sideSurface"], 2);
        EXPECT_EQ(mesh["bottomSurface"], 2);
        EXPECT_EQ(mesh["topSurface"], 3);
        EXPECT_EQ(mesh["chaining"], false);
    }

    Session plain({{"surfaces", {{{"index", 2}, {"name", "Omítka"}}}}});
    plain.Call("PlaceBuildings", json::array({json::array({House(Square, 0, 5)}), 0, "", "Omítka", "", 50, 40}));
    const json wall = Meshes(plain).at(0);
    EXPECT_EQ(wall["topSurface"], 2);
    EXPECT_EQ(wall["chaining"], false);
}

// Fields that are not texts count as empty ones, wherever they sit: a footprint that is not a text
// skips its building, a roof that is not one gives the flat roof. A lone text is a footprint with
// no elevations.
TEST(Buildings, FieldsThatAreNotTextsCountAsEmpty)
{
    Session session;
    const json buildings = json::array({json::array({7, 0, 5, "1 1 9\n"}), json::array({Square, 0, 5, 42}),
                                        json::array({Square, 0, 5, json::array({"1 1 9"})}), Square,
                                        json::array({nullptr, 0, 5}), json::array({Square, 0, 5})});
    EXPECT_EQ(session.Call("PlaceBuildings", json::array({buildings})),
              "kod=0 budov=6 vytvoreno=4 preskoceno=2 (prvni_preskocena_kod=-2130313112) ");
    const json meshes = Meshes(session);
    ASSERT_EQ(meshes.size(), 4u);
    const json flatRoof = {{0, 0, 5}, {10, 0, 5}, {10, 10, 5}, {0, 10, 5}};
    EXPECT_EQ(meshes[0]["levelPoints"], flatRoof);
    EXPECT_EQ(meshes[1]["levelPoints"], flatRoof);
    EXPECT_EQ(meshes[2]["levelPoints"], json({{0, 0, 0}, {10, 0, 0}, {10, 10, 0}, {0, 10, 0}}));
    EXPECT_EQ(meshes[3]["levelPoints"], flatRoof);
}
