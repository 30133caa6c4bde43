#include "PlacementHarness.hpp"

using placementtest::json;
using placementtest::Session;

namespace {

json GeoProject(json surveyPoint, json geoReference, json crs = json::array({"", "", "", "", "", ""}))
{
    return {{"geoLocation", {{"surveyPoint", surveyPoint}, {"geoReference", geoReference}, {"crs", crs}}},
            {"site", {{"longitude", 14.42}, {"latitude", 50.08}, {"altitude", 312.5}, {"north", 0.25}}}};
}

bool SetSurveyPoint(Session& session, const json& args)
{
    const sim::CallResult result = session.sim.Call("SetSurveyPoint", args);
    EXPECT_TRUE(result.found);
    EXPECT_TRUE(result.reply.is_boolean()) << result.reply.dump();
    return result.reply.is_boolean() && result.reply.get<bool>();
}

}  // namespace

TEST(SurveyPointRead, SmallGeoReferenceReportsTheNegatedSurveyPoint)
{
    Session session(GeoProject({-2, -3, -4}, {0.5, -0.5, 7, 1, 0, 0}));
    EXPECT_EQ(session.Call("GetSurveyPoint", json::array()),
              R"({"ok":true,"eastings":2.0000,"northings":3.0000,"height":4.0000})");
}

TEST(SurveyPointRead, GeoReferenceFromOneMetreIsReportedAsStored)
{
    Session session(GeoProject({1, 1, 1}, {-743.25, -104, 251.125, 1, 0, 0}));
    EXPECT_EQ(session.Call("GetSurveyPoint", json::array()),
              R"({"ok":true,"eastings":-743.2500,"northings":-104.0000,"height":251.1250})");
}

TEST(SurveyPointRead, NorthingsAloneReachingOneMetreIsEnough)
{
    Session northOnly(GeoProject({5, 6, 7}, {0.25, 1.0, 3, 1, 0, 0}));
    EXPECT_EQ(northOnly.Call("GetSurveyPoint", json::array()),
              R"({"ok":true,"eastings":0.2500,"northings":1.0000,"height":3.0000})");
}

TEST(SurveyPointRead, UnreadableGeoLocationGivesFalse)
{
    json project = GeoProject({1, 2, 3}, {0, 0, 0, 1, 0, 0});
    project["faults"] = {{"GetGeoLocation", -2130313215}};
    Session session(project);
    EXPECT_EQ(session.Call("GetSurveyPoint", json::array()), R"({"ok":false})");
}

TEST(SurveyPointWrite, WrittenValuesAreReadBack)
{
    Session session;
    EXPECT_TRUE(SetSurveyPoint(session, {-743500.5, -1043250.25, 250, 1, 50.08, 14.42}));
    EXPECT_EQ(session.Call("GetSurveyPoint", json::array()),
              R"({"ok":true,"eastings":-743500.5000,"northings":-1043250.2500,"height":250.0000})");

    const json project = session.Project();
    EXPECT_EQ(project["geoLocation"]["surveyPoint"], json({743500.5, 1043250.25, -250.0}));
    EXPECT_EQ(project["geoLocation"]["crs"][0], "EPSG:5514 (S-JTSK / Krovak East North)");
    EXPECT_DOUBLE_EQ(project["site"]["altitude"].get<double>(), 250.0);
    EXPECT_DOUBLE_EQ(project["site"]["latitude"].get<double>(), 50.08);
    EXPECT_DOUBLE_EQ(project["site"]["longitude"].get<double>(), 14.42);
}

TEST(SurveyPointWrite, NumbersGivenAsTextAreParsed)
{
    Session session;
    EXPECT_TRUE(SetSurveyPoint(session, {"-743500.5", "-1043250.25xyz", "250", "1"}));
    EXPECT_EQ(session.Call("GetSurveyPoint", json::array()),
              R"({"ok":true,"eastings":-743500.5000,"northings":-1043250.2500,"height":250.0000})");
}

TEST(SurveyPointWrite, WithoutApplyNothingIsWritten)
{
    const json initial = GeoProject({1, 2, 3}, {0, 0, 0, 1, 0, 0});
    for (const json& args : {json::array(), json({-743500.5, -1043250.25, 250}),
                             json({-743500.5, -1043250.25, 250, 0.5, 50, 14}), json({-743500.5, -1043250.25, 250, false})}) {
        Session session(initial);
        const json before = session.Project();
        EXPECT_TRUE(SetSurveyPoint(session, args)) << args.dump();
        const json after = session.Project();
        EXPECT_EQ(after["geoLocation"], before["geoLocation"]) << args.dump();
        EXPECT_EQ(after["site"], before["site"]) << args.dump();
    }
}

TEST(SurveyPointWrite, ZeroValuesKeepWhatIsStored)
{
    Session session(GeoProject({10, 20, -30}, {-10, -20, 30, 1, 0, 0}));
    EXPECT_TRUE(SetSurveyPoint(session, {-743.5, -104.25, 0, 1}));

    const json project = session.Project();
    const json& geo = project["geoLocation"];
    EXPECT_EQ(geo["geoReference"][0], -743.5);
    EXPECT_EQ(geo["geoReference"][1], -104.25);
    EXPECT_EQ(geo["geoReference"][2], 30.0);
    EXPECT_EQ(geo["surveyPoint"], json({743.5, 104.25, -30.0}));
    EXPECT_DOUBLE_EQ(project["site"]["altitude"].get<double>(), 312.5);
    EXPECT_DOUBLE_EQ(project["site"]["latitude"].get<double>(), 50.08);
    EXPECT_DOUBLE_EQ(project["site"]["longitude"].get<double>(), 14.42);
    EXPECT_DOUBLE_EQ(project["site"]["north"].get<double>(), 0.25);
}

TEST(SurveyPointWrite, LatitudeAloneStillWritesBothCoordinates)
{
    Session session(GeoProject({0, 0, 0}, {0, 0, 0, 1, 0, 0}));
    EXPECT_TRUE(SetSurveyPoint(session, {-743500, -1043250, 0, 1, 49.5, 0}));
    const json site = session.Project()["site"];
    EXPECT_DOUBLE_EQ(site["latitude"].get<double>(), 49.5);
    EXPECT_DOUBLE_EQ(site["longitude"].get<double>(), 0.0);
}

TEST(SurveyPointWrite, ExistingCoordinateSystemNameIsKept)
{
    Session session(GeoProject({0, 0, 0}, {0, 0, 0, 1, 0, 0}, {"Local grid", "desc", "", "", "", ""}));
    EXPECT_TRUE(SetSurveyPoint(session, {-743500, -1043250, 250, 1}));
    const json crs = session.Project()["geoLocation"]["crs"];
    EXPECT_EQ(crs[0], "Local grid");
    EXPECT_EQ(crs[1], "desc");
}

TEST(SurveyPointWrite, RefusedGeoLocationStillWritesTheSite)
{
    json project = GeoProject({0, 0, 0}, {0, 0, 0, 1, 0, 0});
    project["faults"] = {{"SetGeoLocation", -2130313213}};
    Session session(project);
    EXPECT_FALSE(SetSurveyPoint(session, {-743500, -1043250, 275, 1, 49.5, 15.5}));

    const json saved = session.Project();
    EXPECT_EQ(saved["geoLocation"]["geoReference"][0], 0.0);
    EXPECT_DOUBLE_EQ(saved["site"]["altitude"].get<double>(), 275.0);
    EXPECT_DOUBLE_EQ(saved["site"]["latitude"].get<double>(), 49.5);
    EXPECT_DOUBLE_EQ(saved["site"]["longitude"].get<double>(), 15.5);
}

TEST(SurveyPointWrite, UnreadableGeoLocationChangesNothing)
{
    json project = GeoProject({1, 2, 3}, {0, 0, 0, 1, 0, 0});
    project["faults"] = {{"GetGeoLocation", -2130313215}};
    Session session(project);
    const json before = session.Project();
    EXPECT_FALSE(SetSurveyPoint(session, {-743500, -1043250, 275, 1, 49.5, 15.5}));
    const json after = session.Project();
    EXPECT_EQ(after["geoLocation"], before["geoLocation"]);
    EXPECT_EQ(after["site"], before["site"]);
}

TEST(SurveyPointWrite, NotANumberNeverReachesTheProject)
{
    Session session(GeoProject({10, 20, -30}, {-10, -20, 30, 1, 0, 0}));
    EXPECT_TRUE(SetSurveyPoint(session, {"nan", -1043250, "inf", 1, "nan", 15}));

    const json project = session.Project();
    const json& geo = project["geoLocation"];
    EXPECT_EQ(geo["geoReference"][0], -10.0);
    EXPECT_EQ(geo["geoReference"][1], -1043250.0);
    EXPECT_EQ(geo["geoReference"][2], 30.0);
    EXPECT_EQ(geo["surveyPoint"], json({10.0, 1043250.0, -30.0}));
    EXPECT_DOUBLE_EQ(project["site"]["latitude"].get<double>(), 50.08);
    EXPECT_DOUBLE_EQ(project["site"]["longitude"].get<double>(), 14.42);
}
