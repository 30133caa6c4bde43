// The undo history holds what each command changed: undo and redo apply only that, so whatever was
// made outside a step (texture surfaces, worksheets, the survey point, autotexts) survives them.

#include <set>
#include <stdexcept>

#include "PlacementHarness.hpp"
#include "project/Project.hpp"

using placementtest::ElementsOfType;
using placementtest::json;
using placementtest::Session;

namespace {

const std::string Points = "0 0 1\n10 0 2\n10 10 3\n0 10 4\n";
const std::string Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);
const json SurveyPoint = {-743500.5, -1043250.25, 250, 1, 50.08, 14.42};

json Building()
{
    return json::array({json::array({"0 0\n10 0\n10 10\n0 10\n", 0, 6, "5 5 8\n"})});
}

json Members(const json& project, std::initializer_list<const char*> names)
{
    json kept = json::object();
    for (const char* name : names)
        kept[name] = project.at(name);
    return kept;
}

bool HasSurface(const json& project, const std::string& name)
{
    for (const json& surface : project["surfaces"])
        if (surface["name"] == name)
            return true;
    return false;
}

}  // namespace

TEST(UndoHistory, TextureSurfaceMadeBeforeAStepSurvivesUndoAndRedo)
{
    // The oldest and the newest build.
    for (int api : {landfetch::HostApiVersions.front(), landfetch::HostApiVersions.back()}) {
        test::ModuleSession session({.api = api, .palette = test::SessionSetup::Palette::ByHost});
        sim::Simulator& sim = session.sim;
        sim.Call("PlaceTerrain", json::array({"dmr5g", Points, 0}));
        sim.Call("PlaceBuildings", json::array({Building(), 0, "", "", sim::EncodeBase64(Png), 10, 10}));
        const json placed = sim.SaveProject();
        ASSERT_TRUE(HasSurface(placed, "Ortofoto strechy CUZK")) << api;

        EXPECT_EQ(sim.Undo(1), 1);
        EXPECT_EQ(sim.Undo(1), 1);
        EXPECT_TRUE(sim.SaveProject()["elements"].empty()) << api;
        EXPECT_EQ(sim.Redo(1), 1);
        const json redone = sim.SaveProject();
        EXPECT_TRUE(HasSurface(redone, "Ortofoto strechy CUZK")) << api;
        EXPECT_EQ(ElementsOfType(redone, "mesh").size(), 1u) << api;
        EXPECT_EQ(sim.Redo(1), 1);
        EXPECT_EQ(sim.SaveProject(), placed) << api;
    }
}

TEST(UndoHistory, SurveyPointAndAutotextsSetBetweenStepsSurviveUndoAndRedo)
{
    Session session;
    session.Call("PlaceTerrain", json::array({"dmr5g", Points, 0}));
    ASSERT_EQ(session.sim.Call("SetSurveyPoint", SurveyPoint).reply, true);
    session.Call("SetProjectInfo", json::array({json::array({json::array({"LANDFETCH-PARCELA", "1234/5"})})}));
    session.Call("PlaceBuildings", json::array({Building(), 0}));
    const json placed = session.Project();
    const json outside = Members(placed, {"geoLocation", "site", "autotexts"});
    ASSERT_FALSE(placed["autotexts"].empty());

    EXPECT_EQ(session.sim.Undo(5), 2);
    EXPECT_EQ(Members(session.Project(), {"geoLocation", "site", "autotexts"}), outside);
    EXPECT_EQ(session.sim.Redo(1), 1);
    EXPECT_EQ(Members(session.Project(), {"geoLocation", "site", "autotexts"}), outside);
    EXPECT_EQ(session.sim.Redo(1), 1);
    EXPECT_EQ(session.Project(), placed);
}

TEST(UndoHistory, WorksheetMadeBeforeAStepSurvivesItsUndo)
{
    Session session;
    const json cadastre = json::array({json::array({"KN", 1, "", "lines",
                                                    json::array({json::array({json::array({0, 0}), json::array({1, 1})})})})});
    session.Call("PlaceCadastre", json::array({"worksheet", "Katastr", "K1", 0, cadastre}));
    const json placed = session.Project();
    ASSERT_EQ(placed["worksheets"].size(), 1u);
    EXPECT_EQ(session.sim.Undo(1), 1);
    const json undone = session.Project();
    EXPECT_EQ(undone["worksheets"], placed["worksheets"]);
    EXPECT_TRUE(undone["elements"].empty());
    EXPECT_EQ(session.sim.Redo(1), 1);
    EXPECT_EQ(session.Project(), placed);
}

namespace {

// The project database alone, for what the add-on never does inside a command.
class UndoRecord : public ::testing::Test {
protected:
    UndoRecord() { project.SetWorkFolder(work.Path().string()); }

    GSErrCode AddLine(double x)
    {
        API_Element element{};
        element.header.type.typeID = API_PolyLineID;
        project.GetElementDefaults(&element, nullptr);
        element.polyLine.poly = {2, 1, 0};
        API_ElementMemo memo{};
        memo.coords = reinterpret_cast<API_Coord**>(BMAllocateHandle(3 * sizeof(API_Coord), ALLOCATE_CLEAR, 0));
        (*memo.coords)[1] = {x, 0};
        (*memo.coords)[2] = {x, 1};
        memo.pends = reinterpret_cast<Int32**>(BMAllocateHandle(2 * sizeof(Int32), ALLOCATE_CLEAR, 0));
        (*memo.pends)[1] = 2;
        const GSErrCode error = project.CreateElement(&element, &memo);
        project.DisposeElementMemo(&memo);
        return error;
    }

    API_AttributeIndex AddAttribute(API_AttrTypeID typeID, const char* name)
    {
        API_Attribute attribute{};
        attribute.header.typeID = typeID;
        CHTruncate(name, attribute.header.name, sizeof attribute.header.name);
        EXPECT_EQ(project.CreateAttribute(&attribute, nullptr, GS::EmptyUniString), NoError) << name;
        return attribute.header.index;
    }

    GSErrCode SetSurveyPoint(double x)
    {
        API_GeoLocation geo{};
        geo.surveyPointPosition = {x, 2, 3};
        geo.geoReferenceData.scale = 1;
        geo.geoReferenceData.name = "S-JTSK";
        return project.SetGeoLocation(&geo);
    }

    API_Guid AddWorksheet(const char* name)
    {
        API_DatabaseInfo sheet{};
        sheet.typeID = APIWind_WorksheetID;
        GS::ucscpy(sheet.name, GS::UniString(name).ToUStr());
        EXPECT_EQ(project.NewDatabase(&sheet, nullptr), NoError);
        return sheet.databaseUnId.elemSetId;
    }

    // An autotext made outside any step, then one command that makes an element, a layer, a surface,
    // a worksheet and an autotext, sets the survey point and the first autotext's value. `start` gets
    // the project before the command.
    void MakeOneOfEverythingInOneCommand(json* start)
    {
        const API_Guid autotextGuid = GSGuid2APIGuid(GS::Guid("{11111111-2222-4333-8444-555555555555}"));
        ASSERT_EQ(project.CreateAutoText(&autotextGuid, "Parcela"), NoError);
        *start = project.Save();
        const GS::UniString key((*start)["autotexts"][0]["key"].get<std::string>().c_str(), CC_UTF8);
        ASSERT_EQ(project.CallUndoableCommand("Vše", [&] {
            AddLine(0);
            AddAttribute(API_LayerID, "Vrstva");
            AddAttribute(API_MaterialID, "Povrch");
            AddWorksheet("List");
            EXPECT_EQ(SetSurveyPoint(7), NoError);
            const API_Guid other = GSGuid2APIGuid(GS::Guid("{21111111-2222-4333-8444-555555555555}"));
            EXPECT_EQ(project.CreateAutoText(&other, "Jiný"), NoError);
            const GS::UniString value("1234/5");
            return project.SetAutoText(&key, &value);
        }), NoError);
    }

    test::TempFolder work;
    sim::Project project;
};

}  // namespace

TEST_F(UndoRecord, EverythingMadeInsideACommandIsUndoneAndRedoneExactly)
{
    json start;
    ASSERT_NO_FATAL_FAILURE(MakeOneOfEverythingInOneCommand(&start));
    // The window opened on the new worksheet is the user's view, not part of the step.
    const auto withoutWindows = [this] {
        json file = project.Save();
        file.erase("openWindows");
        return file;
    };
    json done = project.Save();
    done.erase("openWindows");
    ASSERT_EQ(done["autotexts"][0]["value"], "1234/5");
    ASSERT_EQ(done["autotexts"].size(), 2u);

    EXPECT_EQ(project.Undo(1), 1);
    json undone = project.Save();
    ASSERT_EQ(undone["redoSteps"].size(), 1u);
    EXPECT_EQ(undone["redoSteps"][0]["name"], "Vše");
    undone.erase("redoSteps");
    EXPECT_EQ(undone, start);
    EXPECT_EQ(project.Redo(1), 1);
    EXPECT_EQ(withoutWindows(), done);
}

TEST_F(UndoRecord, ThingsMadeOutsideCommandsKeepTheirPlaceAcrossUndoAndRedo)
{
    ASSERT_EQ(project.CallUndoableCommand("První", [&] { AddLine(0); return AddLine(1); }), NoError);
    ASSERT_EQ(AddLine(2), NoError);  // outside any command, after the step's elements
    AddAttribute(API_MaterialID, "Textura");
    ASSERT_EQ(SetSurveyPoint(5), NoError);
    const json placed = project.Save();

    EXPECT_EQ(project.Undo(1), 1);
    const json undone = project.Save();
    ASSERT_EQ(undone["elements"].size(), 1u);
    EXPECT_EQ(undone["elements"][0], placed["elements"][2]);
    EXPECT_EQ(undone["surfaces"], placed["surfaces"]);
    EXPECT_EQ(undone["geoLocation"], placed["geoLocation"]);
    EXPECT_EQ(project.Redo(1), 1);
    EXPECT_EQ(project.Save(), placed);
}

TEST_F(UndoRecord, AnAttributeMadeWhileAStepIsUndoneDoesNotTakeTheIndexRedoBringsBack)
{
    API_AttributeIndex inStep = APIInvalidAttributeIndex;
    ASSERT_EQ(project.CallUndoableCommand("Vrstva", [&] {
        inStep = AddAttribute(API_LayerID, "V kroku");
        return NoError;
    }), NoError);
    EXPECT_EQ(project.Undo(1), 1);
    const API_AttributeIndex outside = AddAttribute(API_LayerID, "Mimo");
    EXPECT_NE(outside, inStep);
    EXPECT_EQ(project.Redo(1), 1);
    const json layers = project.Save()["layers"];
    std::set<int> indices;
    for (const json& layer : layers)
        indices.insert(layer["index"].get<int>());
    EXPECT_EQ(indices.size(), layers.size());
}

TEST_F(UndoRecord, FailedAndThrowingCommandsTakeBackOnlyWhatTheyChanged)
{
    AddAttribute(API_MaterialID, "Textura");
    ASSERT_EQ(SetSurveyPoint(5), NoError);
    const json before = project.Save();
    EXPECT_EQ(project.CallUndoableCommand("Chyba", [&] {
        AddLine(0);
        SetSurveyPoint(9);
        AddWorksheet("List");
        AddAttribute(API_LayerID, "Vrstva");
        return APIERR_GENERAL;
    }), APIERR_GENERAL);
    EXPECT_EQ(project.Save(), before);
    EXPECT_THROW(project.CallUndoableCommand("Výjimka", [&]() -> GSErrCode {
        AddLine(0);
        SetSurveyPoint(9);
        throw std::runtime_error("placement failed");
    }), std::runtime_error);
    EXPECT_EQ(project.Save(), before);
    EXPECT_TRUE(project.UndoSteps().empty());
}

TEST_F(UndoRecord, AStepFromAProjectFileTakesOutOnlyItsElements)
{
    const json file = json::parse(R"({
        "elements": [
          {"guid": "{11111111-2222-4333-8444-555555555555}", "type": "polyline", "view": "plan", "layer": 1,
           "story": 0, "pen": 1, "lineType": 1, "coords": [[0, 0], [1, 1]]},
          {"guid": "{21111111-2222-4333-8444-555555555555}", "type": "polyline", "view": "plan", "layer": 1,
           "story": 0, "pen": 1, "lineType": 1, "coords": [[0, 0], [2, 2]]}],
        "undoSteps": [{"name": "Vložit katastr", "elements": ["{11111111-2222-4333-8444-555555555555}",
                                                              "{99999999-2222-4333-8444-555555555555}"]}]})");
    project.Load(file);
    const json loaded = project.Save();
    ASSERT_EQ(SetSurveyPoint(5), NoError);
    const json located = project.Save();

    EXPECT_EQ(project.Undo(1), 1);
    const json undone = project.Save();
    ASSERT_EQ(undone["elements"].size(), 1u);
    EXPECT_EQ(undone["elements"][0], loaded["elements"][1]);
    EXPECT_EQ(undone["geoLocation"], located["geoLocation"]);
    EXPECT_EQ(project.Redo(1), 1);
    EXPECT_EQ(project.Save().dump(), located.dump());

    // Saved and loaded again, the step still lists what it made, and the file comes back byte for byte.
    sim::Project reloaded;
    reloaded.Load(located);
    EXPECT_EQ(reloaded.Save().dump(), located.dump());
    EXPECT_EQ(reloaded.Undo(1), 1);
    EXPECT_EQ(reloaded.Save()["elements"], undone["elements"]);
}

// The same command's step saved and loaded again, whether it is done or undone: undo and redo act
// on the loaded project exactly as on the one that was saved.
TEST_F(UndoRecord, AStepSavedAndLoadedAgainUndoesAndRedoesEverythingItOwns)
{
    json start;
    ASSERT_NO_FATAL_FAILURE(MakeOneOfEverythingInOneCommand(&start));
    // The windows open on worksheets are the user's view, not part of the step.
    const auto withoutWindows = [](json file) {
        file.erase("openWindows");
        return file;
    };
    const json done = withoutWindows(project.Save());
    ASSERT_EQ(project.Undo(1), 1);
    const json undone = withoutWindows(project.Save());
    ASSERT_EQ(project.Redo(1), 1);

    // Loaded while the step is done: undoing it takes out all it made and set.
    sim::Project loaded;
    loaded.SetWorkFolder(work.Path().string());
    loaded.Load(json::parse(done.dump()));
    EXPECT_EQ(withoutWindows(loaded.Save()), done);
    EXPECT_EQ(loaded.Undo(1), 1);
    EXPECT_EQ(withoutWindows(loaded.Save()), undone);
    EXPECT_EQ(loaded.Redo(1), 1);
    EXPECT_EQ(withoutWindows(loaded.Save()), done);

    // Loaded while it is undone: it can be redone, with what it made.
    sim::Project reloaded;
    reloaded.SetWorkFolder(work.Path().string());
    reloaded.Load(json::parse(undone.dump()));
    EXPECT_EQ(withoutWindows(reloaded.Save()), undone);
    EXPECT_EQ(reloaded.Redo(1), 1);
    EXPECT_EQ(withoutWindows(reloaded.Save()), done);
    // An attribute made meanwhile does not take the index the redo brings back.
    reloaded.Load(json::parse(undone.dump()));
    API_Attribute layer{};
    layer.header.typeID = API_LayerID;
    CHTruncate("Mimo", layer.header.name, sizeof layer.header.name);
    ASSERT_EQ(reloaded.CreateAttribute(&layer, nullptr, GS::EmptyUniString), NoError);
    for (const json& made : done["layers"])
        EXPECT_NE(made["index"].get<int>(), layer.header.index.ToInt32_Deprecated()) << made;
}

TEST_F(UndoRecord, HostileUndoStepsAreRefused)
{
    const json element = json::parse(R"({"guid": "{11111111-2222-4333-8444-555555555555}", "type": "polyline",
                                        "coords": [[0, 0], [1, 1]]})");
    for (const char* change : {
             R"({"kind": "teleport"})",
             R"({"kind": "element"})",
             R"({"kind": "attribute", "type": 99, "index": 3, "position": 0})",
             R"({"kind": "element", "guid": "{21111111-2222-4333-8444-555555555555}", "position": 0, "held": 0})",
             R"({"kind": "geoLocation", "before": {}, "after": {}})"}) {
        json file = {{"elements", {element}},
                     {"undoSteps", {{{"name", "Krok"}, {"elements", json::array()}, {"changes", {json::parse(change)}}}}}};
        EXPECT_THROW(project.Load(file), sim::Error) << change;
        EXPECT_TRUE(project.UndoSteps().empty()) << change;
    }
    // A held element that is not the one the step made.
    json file = {{"redoSteps", {{{"name", "Krok"}, {"elements", json::array()},
                                 {"changes", {{{"kind", "element"}, {"guid", "{21111111-2222-4333-8444-555555555555}"},
                                               {"position", 0}, {"held", element}}}}}}}};
    EXPECT_THROW(project.Load(file), sim::Error);
}
