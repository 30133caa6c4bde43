#include "PlacementHarness.hpp"

using placementtest::ElementsOfType;
using placementtest::json;
using placementtest::LayerIndex;
using placementtest::Session;
using placementtest::WorksheetNamed;

namespace {

const std::string PngBytes("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
const std::string JpegBytes("\xFF\xD8\xFF\xE0\0\x10JFIF\0\x01\x01\0\0\x01\0\x01\0\0\xFF\xD9", 22);

json Args(const std::string& bytes, const std::string& view = "plan")
{
    return json::array({sim::EncodeBase64(bytes), 100, 60, 1000, 2000, 1, 1, 0, 0, "Ortofoto", view, "", ""});
}

json OffsetProject(double x, double y)
{
    return {{"originOffset", {x, y}},
            {"stories", {{"current", 1}, {"last", 2},
                         {"list", {{{"index", 0}, {"name", "0"}}, {{"index", 1}, {"name", "1"}},
                                   {{"index", 2}, {"name", "2"}}}}}}};
}

json OnlyPicture(const json& project)
{
    const json pictures = ElementsOfType(project, "picture");
    EXPECT_EQ(pictures.size(), 1u);
    return pictures.empty() ? json::object() : pictures[0];
}

}  // namespace

TEST(OrthophotoPlan, PngIsAnElevationPictureOnItsRectangle)
{
    Session session(OffsetProject(10, 20));
    json args = Args(PngBytes);
    args.push_back(2);
    EXPECT_EQ(session.Call("PlaceOrthophoto", args), "kod=0 cil=pudorys(podl.2) ofs=(10.000, 20.000) ");

    const json project = session.Project();
    const json picture = OnlyPicture(project);
    EXPECT_EQ(picture["name"], "Site DTM CUZK");
    EXPECT_EQ(picture["mime"], "image/png");
    EXPECT_EQ(picture["transparent"], true);
    EXPECT_EQ(picture["storageFormat"], 5);
    EXPECT_EQ(picture["colorDepth"], 6);
    EXPECT_EQ(picture["rect"], json({940, 2010, 1040, 1950}));
    EXPECT_EQ(picture["byteCount"], PngBytes.size());
    EXPECT_EQ(picture["story"], 2);
    EXPECT_EQ(picture["view"], "plan");
    EXPECT_EQ(picture["layer"], *LayerIndex(project, "Ortofoto"));
}

TEST(OrthophotoPlan, JpegWithFactorsAndShifts)
{
    Session session(OffsetProject(0, 0));
    const json args = json::array({sim::EncodeBase64(JpegBytes), 100, 60, 1000, 2000, 0.5, 2, 5, -5, "", "plan", "", ""});
    EXPECT_EQ(session.Call("PlaceOrthophoto", args), "kod=0 cil=pudorys(podl.-10000) ");

    const json picture = OnlyPicture(session.Project());
    EXPECT_EQ(picture["name"], "Ortofoto CUZK");
    EXPECT_EQ(picture["mime"], "image/jpeg");
    EXPECT_EQ(picture["transparent"], false);
    EXPECT_EQ(picture["storageFormat"], 4);
    EXPECT_EQ(picture["rect"], json({945, 2095, 995, 1975}));
    EXPECT_EQ(picture["byteCount"], JpegBytes.size());
    EXPECT_EQ(picture["story"], 1) << "without a story argument the current story stays";
    EXPECT_EQ(picture["layer"], 1) << "an empty layer name keeps the default layer";
}

TEST(OrthophotoPlan, FormatIsRecognisedFromTheBytes)
{
    struct Case {
        std::string bytes;
        bool png;
    };
    const Case cases[] = {
        {std::string("\x89PNGabcde", 9), true},
        {std::string("\x89PNGabcd", 8), false},
        {std::string("\x89PNXabcdefgh", 12), false},
    };
    for (const Case& c : cases) {
        Session session;
        session.Call("PlaceOrthophoto", Args(c.bytes));
        const json picture = OnlyPicture(session.Project());
        EXPECT_EQ(picture["transparent"], c.png) << c.bytes.size();
        EXPECT_EQ(picture["mime"], c.png ? "image/png" : "image/jpeg") << c.bytes.size();
        EXPECT_EQ(picture["byteCount"], c.bytes.size());
    }

    // A data-URL header is decoded along with the image, so the PNG is not recognised.
    Session session;
    json args = Args(PngBytes);
    args[0] = "data:image/png;base64," + args[0].get<std::string>();
    session.Call("PlaceOrthophoto", args);
    EXPECT_EQ(OnlyPicture(session.Project())["mime"], "image/jpeg");
}

TEST(OrthophotoWorksheet, WorksheetNeverTakesTheStory)
{
    Session session(OffsetProject(0, 0));
    json args = Args(JpegBytes, "list");
    args[11] = "Orto";
    args.push_back(2);
    EXPECT_EQ(session.Call("PlaceOrthophoto", args), "kod=0 list='Podklady Orto' ");
    const json project = session.Project();
    const auto sheet = WorksheetNamed(project, "Orto", "Podklady");
    ASSERT_TRUE(sheet);
    const json picture = OnlyPicture(project);
    EXPECT_EQ(picture["view"], (*sheet)["id"]);
    EXPECT_EQ(picture["story"], 1);
    EXPECT_EQ(project["currentView"]["kind"], "plan");
}

TEST(OrthophotoUndo, OneStepUndoneAndRedoneWhole)
{
    Session session;
    session.Call("PlaceOrthophoto", Args(PngBytes));
    json project = session.Project();
    ASSERT_EQ(project["undoSteps"].size(), 1u);
    EXPECT_EQ(project["undoSteps"][0]["name"], "Vložit ortofoto");
    const json placed = project["elements"];
    ASSERT_EQ(placed.size(), 1u);

    EXPECT_EQ(session.sim.Undo(1), 1);
    project = session.Project();
    EXPECT_TRUE(project["elements"].empty());
    EXPECT_FALSE(LayerIndex(project, "Ortofoto")) << "the new layer belongs to the step";

    EXPECT_EQ(session.sim.Redo(1), 1);
    EXPECT_EQ(session.Project()["elements"], placed);
}

TEST(OrthophotoFailures, EmptyImage)
{
    Session session;
    EXPECT_EQ(session.Call("PlaceOrthophoto", Args("")), "kod=-2130313112 ");
    EXPECT_EQ(session.Call("PlaceOrthophoto", json::array()), "kod=-2130313112 ");
    EXPECT_EQ(session.Call("PlaceOrthophoto", json::array({"===\n"})), "kod=-2130313112 ");
    EXPECT_TRUE(session.Project().value("undoSteps", json::array()).empty());
}

TEST(OrthophotoFailures, RefusedDefaults)
{
    Session session(json{{"faults", {{"GetElementDefaults", -2130313213}}}});
    EXPECT_EQ(session.Call("PlaceOrthophoto", Args(PngBytes)), "kod=-2130313213 ");
    EXPECT_TRUE(session.Project().value("undoSteps", json::array()).empty());
}

TEST(OrthophotoFailures, WorksheetNeitherFoundNorCreated)
{
    Session session(json{{"faults", {{"NewDatabase", -2130313215}}}});
    EXPECT_EQ(session.Call("PlaceOrthophoto", Args(PngBytes, "ws")), "kod=-71001 list=NENALEZEN ");
}

TEST(OrthophotoFailures, RefusedCreation)
{
    Session session(json{{"faults", {{"CreateElement", -2130313213}}}});
    EXPECT_EQ(session.Call("PlaceOrthophoto", Args(PngBytes)), "kod=-2130313213 cil=pudorys(podl.-10000) ");
    EXPECT_TRUE(ElementsOfType(session.Project(), "picture").empty());
}

TEST(OrthophotoFailures, RefusedLayerKeepsTheDefaultLayer)
{
    Session session(json{{"faults", {{"CreateAttribute", -2130313213}}}});
    EXPECT_EQ(session.Call("PlaceOrthophoto", Args(PngBytes)), "kod=0 cil=pudorys(podl.-10000) ");
    EXPECT_EQ(OnlyPicture(session.Project())["layer"], 1);
}

TEST(OrthophotoFailures, ThrowingHostOperationRestoresTheView)
{
    Session session(json{{"faults", {{"CreateElement", {{"code", -2130313213}, {"throws", "gs"}}}}}});
    const Int64 handlesBefore = BMGetLiveHandleCount();
    EXPECT_EQ(session.Call("PlaceOrthophoto", Args(PngBytes, "ws")), "kod=-7003 EXC_prime ");
    const json project = session.Project();
    EXPECT_EQ(project["currentView"]["kind"], "plan");
    EXPECT_TRUE(project["elements"].empty());
    EXPECT_TRUE(project.value("undoSteps", json::array()).empty());
    EXPECT_EQ(BMGetLiveHandleCount(), handlesBefore) << "the picture handle goes back";
}

TEST(OrthophotoFailures, PictureHandleIsReleased)
{
    Session session;
    const Int64 handlesBefore = BMGetLiveHandleCount();
    session.Call("PlaceOrthophoto", Args(PngBytes));
    session.Call("PlaceOrthophoto", Args(JpegBytes, "ws"));
    EXPECT_EQ(BMGetLiveHandleCount(), handlesBefore);
}
