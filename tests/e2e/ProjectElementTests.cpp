// Elements and undoable commands of the simulator's project database.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>

#include "HostHandles.hpp"
#include "project/Project.hpp"
#include "TestSupport.hpp"
#include "host/Encoding.hpp"

namespace {

using nlohmann::json;

template <class T>
T** Handle(std::size_t count)
{
    return reinterpret_cast<T**>(BMAllocateHandle(static_cast<GSSize>(count * sizeof(T)), ALLOCATE_CLEAR, 0));
}

// An element record and memo filled as the add-on fills them; the memo is released with the object.
struct Draft {
    explicit Draft(sim::Project& project, API_ElemTypeID type) : project(project)
    {
        element.header.type.typeID = type;
        EXPECT_EQ(project.GetElementDefaults(&element, nullptr), NoError);
    }
    ~Draft() { project.DisposeElementMemo(&memo); }

    void Outline(const std::vector<API_Coord>& points, Int32 end)
    {
        memo.coords = Handle<API_Coord>(points.size() + 1);
        for (std::size_t i = 0; i < points.size(); ++i) {
            (*memo.coords)[i + 1] = points[i];
        }
        memo.pends = Handle<Int32>(2);
        (*memo.pends)[1] = end;
    }

    GSErrCode Create() { return project.CreateElement(&element, &memo); }

    sim::Project& project;
    API_Element element{};
    API_ElementMemo memo{};
};

class ProjectElementTest : public ::testing::Test {
protected:
    ProjectElementTest() { project.SetWorkFolder(work.Path().string()); }

    GSErrCode AddPolyLine(const std::vector<API_Coord>& points)
    {
        Draft line(project, API_PolyLineID);
        line.element.polyLine.poly = {static_cast<Int32>(points.size()), 1, 0};
        line.Outline(points, static_cast<Int32>(points.size()));
        return line.Create();
    }

    // A closed square mesh: five polygon entries, the last repeating the first.
    void SquareMesh(Draft& mesh, double close = 0.0)
    {
        mesh.element.mesh.poly = {5, 1, 0};
        mesh.Outline({{0, 0}, {4, 0}, {4, 4}, {0, 4}, {close, 0}}, 5);
        mesh.memo.meshPolyZ = Handle<double>(6);
        for (int i = 1; i <= 5; ++i) {
            (*mesh.memo.meshPolyZ)[i] = 3.0;
        }
        mesh.element.mesh.levelLines = {1, 1};
        mesh.memo.meshLevelCoords = Handle<API_MeshLevelCoord>(1);
        (*mesh.memo.meshLevelCoords)[0].c = {2, 2, 5};
        mesh.memo.meshLevelEnds = Handle<Int32>(1);
        (*mesh.memo.meshLevelEnds)[0] = 1;
        mesh.element.mesh.skirt = 1;
        mesh.element.mesh.skirtLevel = 2.0;
    }

    test::TempFolder work;
    sim::Project project;
};

TEST_F(ProjectElementTest, PolyLineIsStoredAndItsMemoReadBack)
{
    ASSERT_EQ(AddPolyLine({{1.0, 2.0}, {3.5, -4.25}, {0.0, 0.0}}), NoError);
    const json element = project.Save()["elements"][0];
    EXPECT_EQ(element["type"], "polyline");
    EXPECT_EQ(element["view"], "plan");
    EXPECT_EQ(element["coords"], json::parse("[[1.0,2.0],[3.5,-4.25],[0.0,0.0]]"));

    API_ElementMemo memo{};
    const API_Guid guid = GSGuid2APIGuid(GS::Guid(element["guid"].get<std::string>().c_str()));
    ASSERT_EQ(project.GetElementMemo(guid, &memo, APIMemoMask_Polygon), NoError);
    EXPECT_EQ(BMGetHandleSize(reinterpret_cast<GSConstHandle>(memo.coords)), GSSize(4 * sizeof(API_Coord)));
    EXPECT_EQ((*memo.coords)[0].x, 0.0);
    EXPECT_EQ((*memo.coords)[2].y, -4.25);
    EXPECT_EQ((*memo.pends)[1], 3);
    ASSERT_EQ(project.DisposeElementMemo(&memo), NoError);
    EXPECT_EQ(memo.coords, nullptr);

    const API_Guid unknown = GSGuid2APIGuid(GS::Guid("{99999999-2222-4333-8444-555555555555}"));
    EXPECT_EQ(project.GetElementMemo(unknown, &memo, APIMemoMask_Polygon), APIERR_BADID);
}

TEST_F(ProjectElementTest, RefusedElementsLeaveTheProjectAsItWas)
{
    const json before = project.Save();
    {
        Draft line(project, API_PolyLineID);  // three vertices claimed, memo holds two
        line.element.polyLine.poly = {3, 1, 0};
        line.Outline({{0, 0}, {1, 1}}, 3);
        EXPECT_EQ(line.Create(), APIERR_BADPARS);
    }
    EXPECT_EQ(AddPolyLine({{0, 0}, {std::numeric_limits<double>::quiet_NaN(), 1}}), APIERR_BADPARS);
    EXPECT_EQ(AddPolyLine({{0, 0}}), APIERR_BADPARS);
    {
        Draft line(project, API_PolyLineID);
        line.element.header.layer = ACAPI_CreateAttributeIndex(99);
        line.element.polyLine.poly = {2, 1, 0};
        line.Outline({{0, 0}, {1, 1}}, 2);
        EXPECT_EQ(line.Create(), APIERR_BADINDEX);
        line.element.header.layer = APIApplicationLayerAttributeIndex;
        line.element.header.floorInd = 5;
        EXPECT_EQ(line.Create(), APIERR_BADINDEX);
    }
    {
        Draft text(project, API_TextID);
        text.element.text.loc = {1, 1};
        EXPECT_EQ(text.Create(), APIERR_BADPARS);  // no text content
    }
    {
        Draft mesh(project, API_MeshID);
        SquareMesh(mesh, 0.5);
        EXPECT_EQ(mesh.Create(), APIERR_IRREGULARPOLY);
    }
    {
        Draft mesh(project, API_MeshID);
        SquareMesh(mesh);
        mesh.element.mesh.levelLines = {1, 2};  // two level points claimed, one in the memo
        EXPECT_EQ(mesh.Create(), APIERR_BADPARS);
        mesh.element.mesh.levelLines = {1, 1};
        mesh.element.mesh.topMat = ACAPI_CreateAttributeIndex(42);
        EXPECT_EQ(mesh.Create(), APIERR_BADINDEX);
    }
    EXPECT_EQ(project.Save(), before);
}

TEST_F(ProjectElementTest, MeshKeepsItsClosedPolygonHeightsAndOverrides)
{
    project.Load({{"defaults", {{"meshLevel", 1.5}}}});
    Draft mesh(project, API_MeshID);
    EXPECT_EQ(mesh.element.mesh.level, 1.5);
    SquareMesh(mesh);
    mesh.element.mesh.topMat = ACAPI_CreateAttributeIndex(2);
    mesh.element.mesh.materialsChained = false;
    mesh.element.mesh.option = false;
    ASSERT_EQ(mesh.Create(), NoError);
    EXPECT_FALSE(mesh.element.header.guid == APINULLGuid);

    const json saved = project.Save()["elements"][0];
    EXPECT_EQ(saved["polygon"].size(), 5u);
    EXPECT_EQ(saved["polygon"].front(), saved["polygon"].back());
    EXPECT_EQ(saved["polygon"][2], json::parse("[4.0,4.0,3.0]"));
    EXPECT_EQ(saved["levelPoints"], json::parse("[[2.0,2.0,5.0]]"));
    EXPECT_EQ(saved["topSurface"], 2);
    EXPECT_TRUE(saved["sideSurface"].is_null());
    EXPECT_EQ(saved["skirtDepth"], 2.0);
    EXPECT_FALSE(saved["chaining"].get<bool>());
    EXPECT_FALSE(saved["option"].get<bool>());
}

TEST_F(ProjectElementTest, TextAnchorsAreTheHostsAndTheFileNumbersThemFromOne)
{
    const std::pair<API_AnchorID, int> anchors[] = {{APIAnc_LT, 1}, {APIAnc_LM, 4}, {APIAnc_MM, 5}, {APIAnc_RB, 9}};
    for (const auto& [anchor, number] : anchors) {
        Draft text(project, API_TextID);
        EXPECT_EQ(text.element.text.anchor, APIAnc_LT);
        text.element.text.anchor = anchor;
        text.memo.textContent = new GS::UniString("12/3");
        ASSERT_EQ(text.Create(), NoError);
        EXPECT_EQ(project.Save()["elements"].back()["anchor"], number) << "anchor " << anchor;
    }
    const json before = project.Save();
    for (const Int32 outside : {-1, 9}) {
        Draft text(project, API_TextID);
        text.element.text.anchor = static_cast<API_AnchorID>(outside);
        text.memo.textContent = new GS::UniString("12/3");
        EXPECT_EQ(text.Create(), APIERR_BADPARS) << "anchor " << outside;
    }
    EXPECT_EQ(project.Save(), before);
}

// A module built for host API 27 hands its text over as a handle of zero-terminated UTF-8 and gets
// one back from the memo; the host reads it in that layout only and kills the handle with the memo.
TEST_F(ProjectElementTest, TextOfAnOldBuildIsAHandleReadWrittenAndFreedInItsLayout)
{
    project.SetModuleApiVersion(27);
    const Int64 handlesBefore = BMGetLiveHandleCount();
    const auto textHandle = [](const std::string& bytes) {
        char** handle = BMAllocateHandle(static_cast<GSSize>(bytes.size()), ALLOCATE_CLEAR, 0);
        if (!bytes.empty())
            std::memcpy(*handle, bytes.data(), bytes.size());
        return handle;
    };
    const auto createText = [&](char** content) {
        API_Element element{};
        element.header.type.typeID = API_TextID;
        EXPECT_EQ(project.GetElementDefaults(&element, nullptr), NoError);
        API_ElementMemo27 memo{};
        memo.textContent = content;
        API_ElementMemo* asPassed = reinterpret_cast<API_ElementMemo*>(&memo);
        const GSErrCode error = project.CreateElement(&element, asPassed);
        EXPECT_EQ(project.DisposeElementMemo(asPassed), NoError);
        EXPECT_EQ(memo.textContent, nullptr);
        return std::make_pair(error, element.header.guid);
    };

    const std::string label = "Čáslav 🏠 12/3";
    const auto [made, guid] = createText(textHandle(label + '\0'));
    ASSERT_EQ(made, NoError);
    EXPECT_EQ(project.Save()["elements"].back()["text"], label);
    const auto [withZero, withZeroGuid] = createText(textHandle(std::string("a\0b", 3) + '\0'));
    EXPECT_EQ(withZero, NoError);
    EXPECT_EQ(project.Save()["elements"].back()["text"], std::string("a\0b", 3));
    EXPECT_EQ(createText(textHandle(std::string(1, '\0'))).first, NoError);
    EXPECT_EQ(project.Save()["elements"].back()["text"], "");

    const json before = project.Save();
    EXPECT_EQ(createText(textHandle(label)).first, APIERR_BADPARS);  // no terminating zero
    EXPECT_EQ(createText(textHandle("")).first, APIERR_BADPARS);
    EXPECT_EQ(createText(nullptr).first, APIERR_BADPARS);
    EXPECT_EQ(project.Save(), before);

    API_ElementMemo27 memo{};
    API_ElementMemo* asPassed = reinterpret_cast<API_ElementMemo*>(&memo);
    ASSERT_EQ(project.GetElementMemo(guid, asPassed, APIMemoMask_All), NoError);
    ASSERT_NE(memo.textContent, nullptr);
    EXPECT_EQ(std::string(*memo.textContent, static_cast<std::size_t>(BMGetHandleSize(memo.textContent))),
              label + '\0');
    EXPECT_EQ(project.DisposeElementMemo(asPassed), NoError);
    EXPECT_EQ(memo.textContent, nullptr);
    // A zero inside the text comes back too.
    ASSERT_EQ(project.GetElementMemo(withZeroGuid, asPassed, APIMemoMask_All), NoError);
    ASSERT_NE(memo.textContent, nullptr);
    EXPECT_EQ(std::string(*memo.textContent, static_cast<std::size_t>(BMGetHandleSize(memo.textContent))),
              std::string("a\0b\0", 4));
    EXPECT_EQ(project.DisposeElementMemo(asPassed), NoError);
    EXPECT_EQ(BMGetLiveHandleCount(), handlesBefore);
}

TEST_F(ProjectElementTest, PictureKeepsItsBytes)
{
    Draft picture(project, API_PictureID);
    picture.element.picture.storageFormat = APIPictForm_PNG;
    picture.element.picture.transparent = true;
    picture.element.picture.destBox = {1, 2, 3, 4};
    GS::ucscpy(picture.element.picture.pictName, GS::UniString("Ortofoto CUZK").ToUStr());
    CHTruncate("image/png", picture.element.picture.mime, sizeof picture.element.picture.mime);
    picture.memo.pictHdl = BMAllocateHandle(4, ALLOCATE_CLEAR, 0);
    std::memcpy(*picture.memo.pictHdl, "\x89PNG", 4);
    ASSERT_EQ(picture.Create(), NoError);

    const json saved = project.Save()["elements"][0];
    EXPECT_EQ(saved["data"], "iVBORw==");
    EXPECT_EQ(saved["byteCount"], 4);
    EXPECT_EQ(saved["rect"], json::parse("[1.0,2.0,3.0,4.0]"));
    EXPECT_EQ(saved["mime"], "image/png");

    picture.element.picture.storageFormat = APIPictForm_TIFF;
    EXPECT_EQ(picture.Create(), APIERR_BADPARS);
}

TEST_F(ProjectElementTest, APicturesBytesAreHeldOnceAndWrittenOnlyWhenSaved)
{
    std::string image(300000, '\0');
    for (std::size_t i = 0; i < image.size(); ++i)
        image[i] = static_cast<char>(i * 7919 % 251);
    image.replace(0, 4, "\xff\xd8\xff\xe0");
    const char* handedOver = nullptr;
    auto place = [&] {
        Draft picture(project, API_PictureID);
        picture.element.picture.storageFormat = APIPictForm_JPEG;
        picture.element.picture.destBox = {0, 0, 10, 10};
        CHTruncate("image/jpeg", picture.element.picture.mime, sizeof picture.element.picture.mime);
        picture.memo.pictHdl = BMAllocateHandle(static_cast<GSSize>(image.size()), ALLOCATE_CLEAR, 0);
        std::memcpy(*picture.memo.pictHdl, image.data(), image.size());
        handedOver = *picture.memo.pictHdl;
        return picture.Create();
    };
    ASSERT_EQ(project.CallUndoableCommand("Ortofoto", place), NoError);

    // Kept as the bytes, not as text: the handle's own block, which outlives the add-on's handle,
    // and the same block after undo and redo.
    const sim::Element& placed = project.GetModel().elements.at(0);
    ASSERT_NE(placed.picture.bytes, nullptr);
    EXPECT_EQ(placed.picture.bytes.get(), handedOver);
    EXPECT_EQ(placed.picture.View(), image);
    EXPECT_FALSE(placed.data.contains("data"));
    const std::shared_ptr<const char> held = placed.picture.bytes;
    EXPECT_EQ(project.Undo(1), 1);
    EXPECT_EQ(project.Redo(1), 1);
    EXPECT_EQ(project.GetModel().elements.at(0).picture.bytes, held);

    // The file has the Base64 text, and reads back to the same file.
    const json saved = project.Save();
    const std::string data = saved["elements"][0]["data"].get<std::string>();
    const std::string decoded = sim::DecodeBase64(data);
    EXPECT_EQ(decoded, image);
    EXPECT_EQ(data.size(), (image.size() + 2) / 3 * 4);
    sim::Project loaded;
    loaded.SetWorkFolder(work.Path().string());
    loaded.Load(saved);
    EXPECT_EQ(loaded.Save()["elements"], saved["elements"]);
}

TEST_F(ProjectElementTest, ElementsLandInTheCurrentWorksheet)
{
    API_DatabaseInfo sheet{};
    sheet.typeID = APIWind_WorksheetID;
    GS::ucscpy(sheet.name, GS::UniString("KN").ToUStr());
    ASSERT_EQ(project.NewDatabase(&sheet, nullptr), NoError);
    ASSERT_EQ(project.ChangeCurrentDatabase(&sheet), NoError);
    ASSERT_EQ(AddPolyLine({{0, 0}, {1, 1}}), NoError);
    const json file = project.Save();
    EXPECT_EQ(file["elements"][0]["view"], file["worksheets"][0]["id"]);
}

TEST_F(ProjectElementTest, CommandIsOneStepThatCanBeUndoneAndRedone)
{
    ASSERT_EQ(project.CallUndoableCommand("Vložit katastr", [&] { return AddPolyLine({{0, 0}, {1, 1}}); }), NoError);
    const json placed = project.Save();
    ASSERT_EQ(placed["undoSteps"].size(), 1u);
    EXPECT_EQ(placed["undoSteps"][0]["name"], "Vložit katastr");
    EXPECT_EQ(placed["undoSteps"][0]["elements"], json::array({placed["elements"][0]["guid"]}));

    EXPECT_EQ(project.Undo(3), 1);
    EXPECT_TRUE(project.Save()["elements"].empty());
    EXPECT_EQ(project.Redo(2), 1);
    EXPECT_EQ(project.Save(), placed);

    // A command that changes nothing leaves no step; a new step clears what could be redone.
    ASSERT_EQ(project.CallUndoableCommand("Nic", [] { return NoError; }), NoError);
    EXPECT_EQ(project.UndoSteps().size(), 1u);
    EXPECT_EQ(project.Undo(1), 1);
    ASSERT_EQ(project.CallUndoableCommand("Druhý", [&] { return AddPolyLine({{0, 0}, {2, 2}}); }), NoError);
    EXPECT_EQ(project.Redo(1), 0);
}

TEST_F(ProjectElementTest, FailedOrThrowingCommandsAreRolledBack)
{
    const json before = project.Save();
    const GSErrCode failed = project.CallUndoableCommand("Vložit terén", [&] {
        AddPolyLine({{0, 0}, {1, 1}});
        API_Attribute layer{};
        layer.header.typeID = API_LayerID;
        CHTruncate("Terén", layer.header.name, sizeof layer.header.name);
        project.CreateAttribute(&layer, nullptr, GS::EmptyUniString);
        return APIERR_GENERAL;
    });
    EXPECT_EQ(failed, APIERR_GENERAL);
    EXPECT_EQ(project.Save(), before);

    EXPECT_THROW(project.CallUndoableCommand("Vložit ortofoto",
                                             [&]() -> GSErrCode {
                                                 AddPolyLine({{0, 0}, {1, 1}});
                                                 throw std::runtime_error("placement failed");
                                             }),
                 std::runtime_error);
    EXPECT_EQ(project.Save(), before);
    EXPECT_FALSE(project.InCommand());

    GSErrCode nested = NoError;
    ASSERT_EQ(project.CallUndoableCommand("Vnější",
                                          [&] {
                                              nested = project.CallUndoableCommand("Vnitřní", [] { return NoError; });
                                              return NoError;
                                          }),
              NoError);
    EXPECT_EQ(nested, APIERR_NOTSUPPORTED);
}

TEST_F(ProjectElementTest, StepsFromAProjectFileCanBeUndone)
{
    project.Load(json::parse(R"({"elements": [{"guid": "{11111111-2222-4333-8444-555555555555}", "type": "polyline",
        "view": "plan", "layer": 1, "story": 0, "pen": 1, "lineType": 1, "coords": [[0, 0], [1, 1]]}],
        "undoSteps": [{"name": "Vložit katastr", "elements": ["{11111111-2222-4333-8444-555555555555}"]}]})"));
    const json loaded = project.Save();
    EXPECT_EQ(project.Undo(1), 1);
    EXPECT_TRUE(project.Save()["elements"].empty());
    EXPECT_EQ(project.Redo(1), 1);
    EXPECT_EQ(project.Save(), loaded);
}

}  // namespace
