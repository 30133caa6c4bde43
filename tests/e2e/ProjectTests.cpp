// The simulator's project database on its own: project file, views, attributes, files, autotexts, undo.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <limits>
#include <stdexcept>

#include "project/Project.hpp"
#include "Simulator.hpp"
#include "TestSupport.hpp"

namespace {

using nlohmann::json;

class ProjectTest : public ::testing::Test {
protected:
    ProjectTest() { project.SetWorkFolder(work.Path().string()); }

    void LoadAndCheck(const json& file)
    {
        project.Load(file);
        ASSERT_EQ(project.Save(), file);  // the helper is only used with complete files
    }

    test::TempFolder work;
    sim::Project project;
};

json RichProject(const std::string& library)
{
    return json::parse(R"J({
      "untitled": false, "projectFile": "/projects/plot.pln",
      "specialFolders": {"6": "/home/user/Documents", "7": "/tmp/sim"},
      "geoLocation": {"surveyPoint": [743500.5, 1043250.25, -250.0],
                      "geoReference": [-743500.5, -1043250.25, 250.0, 1.0, 0.0, 0.0],
                      "crs": ["EPSG:5514 (S-JTSK / Krovak East North)", "", "", "", "", ""]},
      "site": {"longitude": 14.42, "latitude": 50.08, "altitude": 250.0, "north": 0.25},
      "originOffset": [10.0, -5.5],
      "layers": [{"index": 3, "name": "Katastr"}, {"index": 1, "name": "Archicad layer", "narrowNameOnly": true}],
      "lineTypes": [{"index": 2, "name": "Dashed"}, {"index": 1, "name": "Solid Line"}],
      "surfaces": [{"index": 1, "name": "Tráva", "rgb": [0.1, 0.5, 0.1],
                    "texture": {"name": "t.png", "file": "/lib/t.png", "sizeX": 20.0, "sizeY": 10.0}}],
      "buildingMaterials": [{"index": 4, "name": "Zemina"}],
      "pens": [{"index": 1, "rgb": [1.0, 0.5, 0.0]}, {"index": 2, "rgb": [0.0, 0.0, 0.0]}],
      "stories": {"current": 0, "last": 1,
                  "list": [{"index": -1, "name": "Suterén"}, {"index": 0, "name": "Přízemí"},
                           {"index": 1, "name": "Patro"}, {"index": 2, "name": "Nad posledním"}]},
      "worksheets": [{"id": "{0B5B3C4E-1F2A-4D3C-9E8F-7A6B5C4D3E2F}", "name": "KN", "ref": "Podklady"}],
      "currentView": {"kind": "worksheet", "id": "{0B5B3C4E-1F2A-4D3C-9E8F-7A6B5C4D3E2F}"},
      "openWindows": ["{0B5B3C4E-1F2A-4D3C-9E8F-7A6B5C4D3E2F}"],
      "autotexts": [{"name": "Parcela", "key": "<#CUSTOM_1>", "value": "123/4"}],
      "libraries": [{"kind": 1, "path": "/lib/local"}, {"kind": 4, "path": "LIBRARY"}],
      "elements": [
        {"guid": "{11111111-2222-4333-8444-555555555555}", "type": "polyline", "view": "plan", "layer": 3,
         "story": 0, "pen": 1, "lineType": 1, "coords": [[0.0, 0.0], [1.5, 2.5]]},
        {"guid": "{21111111-2222-4333-8444-555555555555}", "type": "text",
         "view": "{0B5B3C4E-1F2A-4D3C-9E8F-7A6B5C4D3E2F}", "layer": 3, "story": 0, "pen": 2, "text": "Č. 123",
         "loc": [1.0, 2.0], "size": 2.5, "anchor": 4, "angle": 0.0, "nonBreaking": true},
        {"guid": "{31111111-2222-4333-8444-555555555555}", "type": "picture", "view": "plan", "layer": 1,
         "story": 1, "name": "Ortofoto CUZK", "mime": "image/png", "transparent": true, "storageFormat": 5,
         "colorDepth": 6, "rect": [0.0, 0.0, 10.0, 10.0], "byteCount": 3, "data": "iVBO"},
        {"guid": "{41111111-2222-4333-8444-555555555555}", "type": "mesh", "view": "plan", "layer": 1,
         "story": 0, "polygon": [[0,0,1],[4,0,1],[4,4,1],[0,0,1]], "levelPoints": [[1,1,2]], "level": 0.0,
         "skirt": 1, "skirtDepth": 2.0, "topSurface": 1, "sideSurface": null, "bottomSurface": null,
         "buildingMaterial": 4, "chaining": false, "option": true}],
      "undoSteps": [{"name": "Vložit katastr", "elements": ["{11111111-2222-4333-8444-555555555555}"],
                     "changes": [{"kind": "element", "guid": "{11111111-2222-4333-8444-555555555555}",
                                  "position": 0}]}],
      "faults": {"GetPen": {"code": -2130313212, "calls": [2, 3]}, "CreateElement": {"code": -1},
                 "GetGeoLocation": {"code": 7, "throws": "gs"}},
      "missing": ["GetSiteLocation", "GetPen"],
      "defaults": {"meshLevel": 1.5},
      "floorPlanId": "{AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE}"
    })J")
        .patch(json::array({{{"op", "replace"}, {"path", "/libraries/1/path"}, {"value", library}}}));
}

TEST_F(ProjectTest, ProjectFileRoundTripChangesNothing)
{
    const json rich = RichProject(work / "EmbeddedLibrary");
    LoadAndCheck(rich);
    EXPECT_EQ(project.faultPlan.faults.at("GetPen").calls, (std::vector<int>{2, 3}));
    EXPECT_EQ(project.faultPlan.faults.at("GetGeoLocation").throws, "gs");
    EXPECT_EQ(project.faultPlan.missing.count("GetSiteLocation"), 1u);

    // Saved again after a change, the file still loads to the same project.
    API_PlaceInfo site{};
    site.altitude = 300.0;
    ASSERT_EQ(project.SetSiteLocation(&site), NoError);
    const json changed = project.Save();
    LoadAndCheck(changed);
}

TEST_F(ProjectTest, NewProjectHasTheDefaults)
{
    const json file = project.Save();
    EXPECT_TRUE(file["untitled"].get<bool>());
    EXPECT_EQ(file["projectFile"], "");
    EXPECT_EQ(file["pens"].size(), 255u);
    EXPECT_EQ(file["stories"]["list"].size(), 1u);
    EXPECT_EQ(file["stories"]["current"], 0);
    EXPECT_EQ(file["currentView"]["kind"], "plan");
    EXPECT_TRUE(file["worksheets"].empty() && file["elements"].empty() && file["autotexts"].empty());
    EXPECT_TRUE(file["faults"].empty() && file["missing"].empty() && file["undoSteps"].empty());
    EXPECT_EQ(file["libraries"], json::parse(R"([{"kind":4,"path":")" + (work / "EmbeddedLibrary") + "\"}]"));
    for (const char* code : {"6", "7"}) {
        EXPECT_TRUE(std::filesystem::is_directory(file["specialFolders"][code].get<std::string>())) << code;
    }
    // A file that names nothing is a new project.
    project.Load(json::object());
    EXPECT_EQ(project.Save(), file);
}

TEST_F(ProjectTest, BadProjectFilesAreRefused)
{
    EXPECT_THROW(project.Load(json::array()), sim::Error);
    EXPECT_THROW(project.Load({{"layers", {{{"index", 1}, {"name", "a"}}, {{"index", 1}, {"name", "b"}}}}}),
                 sim::Error);
    EXPECT_THROW(project.Load({{"elements", {{{"guid", "x"}, {"type", "text"}}}}}), sim::Error);
    EXPECT_THROW(project.Load({{"stories", {{"current", 3}, {"list", json::array()}}}}), sim::Error);
    EXPECT_THROW(project.Load({{"faults", {{"GetPen", {{"code", 1}, {"throws", "int"}}}}}}), sim::Error);
}

// Integers the file gives as floats or beyond their type's range used to be cast into the project.
TEST_F(ProjectTest, IntegersOutsideTheirRangeAreRefused)
{
    const json fresh = project.Save();
    const auto refused = [this, &fresh](const json& file, const std::string& words) {
        try {
            project.Load(file);
            ADD_FAILURE() << "loaded " << file.dump();
        } catch (const sim::Error& error) {
            EXPECT_NE(std::string(error.what()).find(words), std::string::npos) << error.what();
        }
        EXPECT_TRUE(project.Save() == fresh) << "a refused file leaves a new project";
    };
    const json huge = json::parse("42942949672964967296");  // beyond 64 bits: read as a float
    refused({{"layers", {{{"index", huge}, {"name", "a"}}}}}, "\"index\" must be an integer");
    refused({{"layers", {{{"index", 1.5}, {"name", "a"}}}}}, "not 1.5");
    refused({{"surfaces", {{{"index", 4294967297LL}, {"name", "a"}}}}}, "from -2147483648 to 2147483647");
    refused({{"pens", {{{"index", 40000}, {"rgb", {0, 0, 0}}}}}}, "\"index\"");
    refused({{"stories", {{"current", 65536}, {"list", {{{"index", 0}, {"name", "a"}}}}}}}, "\"current\"");
    refused({{"libraries", {{{"kind", huge}, {"path", "/lib"}}}}}, "\"kind\"");
    refused({{"elements", {{{"guid", "{11111111-2222-4333-8444-555555555555}"}, {"type", "text"}, {"story", -1e300}}}}},
            "\"story\"");
    refused({{"faults", {{"GetPen", huge}}}}, "code");
    refused({{"faults", {{"GetPen", {{"code", 1}, {"calls", {1, 2.5}}}}}}}, "call");
    refused({{"undoSteps", {{{"name", "x"},
                             {"elements", json::array()},
                             {"changes", {{{"kind", "autotext"}, {"key", "k"}, {"position", -1}}}}}}}},
            "\"position\"");
    refused({{"defaults", {{"pen", 1e10}}}}, "\"pen\"");
    refused({{"defaults", {{"textSize", "big"}}}}, "must be a number");
    refused({{"defaults", json::array()}}, "JSON object");

    // Integers in range load, and so do whole floats, which files written by hand may hold.
    project.Load({{"layers", {{{"index", 2147483647}, {"name", "a"}}, {{"index", 2.0}, {"name", "b"}}}},
                  {"defaults", {{"pen", 3}}}});
    EXPECT_EQ(project.Save()["layers"][0]["index"], 2147483647);
    EXPECT_EQ(project.Save()["layers"][1]["index"], 2);
}

TEST_F(ProjectTest, GeoLocationAndSiteStayConsistent)
{
    API_GeoLocation geo{};
    ASSERT_EQ(project.GetGeoLocation(&geo), NoError);
    geo.geoReferenceData.eastings = -743500.5;
    geo.surveyPointPosition.x = 743500.5;
    geo.geoReferenceData.name = "EPSG:5514 (S-JTSK / Krovak East North)";
    ASSERT_EQ(project.SetGeoLocation(&geo), NoError);

    API_PlaceInfo site{};
    site.altitude = 251.5;
    site.latitude = 50.08;
    ASSERT_EQ(project.SetSiteLocation(&site), NoError);
    API_GeoLocation read{};
    ASSERT_EQ(project.GetGeoLocation(&read), NoError);
    EXPECT_EQ(read.placeInfo.altitude, 251.5);
    EXPECT_EQ(read.geoReferenceData.eastings, -743500.5);
    EXPECT_EQ(read.geoReferenceData.name, "EPSG:5514 (S-JTSK / Krovak East North)");

    const json before = project.Save();
    read.surveyPointPosition.z = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(project.SetGeoLocation(&read), APIERR_BADPARS);
    site.north = std::numeric_limits<double>::infinity();
    EXPECT_EQ(project.SetSiteLocation(&site), APIERR_BADPARS);
    EXPECT_EQ(project.Save(), before);
}

API_DatabaseInfo Worksheet(const API_Guid& id)
{
    API_DatabaseInfo database{};
    database.typeID = APIWind_WorksheetID;
    database.databaseUnId.elemSetId = id;
    return database;
}

TEST_F(ProjectTest, WorksheetWindowsDecideWhereTheDatabaseCanChange)
{
    project.Load(json::parse(R"({"worksheets": [{"id": "{0B5B3C4E-1F2A-4D3C-9E8F-7A6B5C4D3E2F}",
                                                 "name": "KN", "ref": "Podklady"}]})"));
    GS::Array<API_DatabaseUnId> ids;
    ASSERT_EQ(project.GetWorksheetDatabaseIds(&ids, nullptr), NoError);
    ASSERT_EQ(ids.GetSize(), 1u);

    API_DatabaseInfo sheet = Worksheet(ids[0].elemSetId);
    EXPECT_EQ(project.ChangeCurrentDatabase(&sheet), APIERR_BADDATABASE);  // its window is not open
    API_DatabaseInfo zero{};
    EXPECT_EQ(project.ChangeCurrentDatabase(&zero), APIERR_BADDATABASE);
    ASSERT_EQ(project.ChangeWindow(&sheet), NoError);

    API_DatabaseInfo current{};
    ASSERT_EQ(project.GetCurrentDatabase(&current), NoError);
    EXPECT_EQ(current.typeID, APIWind_WorksheetID);
    EXPECT_EQ(GS::UniString(current.name), "KN");
    EXPECT_EQ(GS::UniString(current.ref), "Podklady");

    API_DatabaseInfo plan{};
    plan.typeID = APIWind_FloorPlanID;
    ASSERT_EQ(project.ChangeCurrentDatabase(&plan), NoError);
    EXPECT_EQ(project.ChangeCurrentDatabase(&sheet), NoError);  // open now
    EXPECT_EQ(project.Save()["currentView"]["kind"], "worksheet");

    API_DatabaseInfo unknown = Worksheet(GSGuid2APIGuid(GS::Guid("{99999999-2222-4333-8444-555555555555}")));
    EXPECT_EQ(project.ChangeWindow(&unknown), APIERR_BADDATABASE);
    EXPECT_EQ(project.GetDatabaseInfo(&unknown, nullptr), APIERR_BADID);
}

TEST_F(ProjectTest, NewDatabaseCreatesAWorksheetWithItsOwnId)
{
    API_DatabaseInfo created{};
    created.typeID = APIWind_WorksheetID;
    GS::ucscpy(created.name, GS::UniString("Ortofoto").ToUStr());
    GS::ucscpy(created.ref, GS::UniString("Podklady").ToUStr());
    ASSERT_EQ(project.NewDatabase(&created, nullptr), NoError);
    ASSERT_FALSE(created.databaseUnId.elemSetId == APINULLGuid);

    API_DatabaseInfo read = Worksheet(created.databaseUnId.elemSetId);
    ASSERT_EQ(project.GetDatabaseInfo(&read, nullptr), NoError);
    EXPECT_EQ(GS::UniString(read.name), "Ortofoto");
    EXPECT_EQ(GS::UniString(read.ref), "Podklady");
    EXPECT_EQ(project.ChangeCurrentDatabase(&read), NoError);  // a new worksheet's window is open

    API_DatabaseInfo plan{};
    plan.typeID = APIWind_FloorPlanID;
    EXPECT_EQ(project.NewDatabase(&plan, nullptr), APIERR_BADPARS);
    EXPECT_EQ(project.Save()["worksheets"].size(), 1u);
}

TEST_F(ProjectTest, StorySettingsHandOverEveryListedStory)
{
    project.Load(json::parse(R"({"stories": {"current": 0, "last": 0, "list": [
        {"index": -1, "name": "Suterén"}, {"index": 0, "name": "Přízemí"}, {"index": 1, "name": "Půda"}]}})"));
    API_StoryInfo info{};
    ASSERT_EQ(project.GetStorySettings(&info, 0), NoError);
    ASSERT_NE(info.data, nullptr);
    EXPECT_EQ(BMGetHandleSize(reinterpret_cast<GSConstHandle>(info.data)), GSSize(3 * 544));
    EXPECT_EQ(info.lastStory, 0);
    EXPECT_EQ(info.actStory, 0);
    EXPECT_EQ((*info.data)[0].index, -1);
    EXPECT_EQ(GS::UniString((*info.data)[2].uName), "Půda");
    BMKillHandle(reinterpret_cast<GSHandle*>(&info.data));
}

TEST_F(ProjectTest, AttributesAreEnumeratedInFileOrder)
{
    project.Load(json::parse(R"({"lineTypes": [{"index": 3, "name": "C"}, {"index": 1, "name": "A"},
                                               {"index": 2, "name": "Čárkovaná", "narrowNameOnly": true}]})"));
    std::vector<std::pair<Int32, std::string>> seen;
    std::vector<bool> unicode;
    ASSERT_EQ(project.EnumerateAttributes(API_LinetypeID,
                                          [&](API_Attribute& attribute) {
                                              const API_Attr_Head& head = attribute.header;
                                              seen.emplace_back(head.index.ToInt32_Deprecated(), head.name);
                                              unicode.push_back(head.uniStringNamePtr != nullptr);
                                          }),
              NoError);
    EXPECT_EQ(seen, (std::vector<std::pair<Int32, std::string>>{{3, "C"}, {1, "A"}, {2, "Čárkovaná"}}));
    EXPECT_EQ(unicode, (std::vector<bool>{true, true, false}));
}

API_Attribute Layer(const char* name)
{
    API_Attribute layer{};
    layer.header.typeID = API_LayerID;
    CHTruncate(name, layer.header.name, sizeof layer.header.name);
    return layer;
}

TEST_F(ProjectTest, CreatingAnAttributeWhoseNameExistsGivesTheExistingIndex)
{
    project.Load(json::parse(R"({"layers": [{"index": 1, "name": "Archicad layer"}, {"index": 7, "name": "Katastr"}]})"));
    API_Attribute clash = Layer("Katastr");
    EXPECT_EQ(project.CreateAttribute(&clash, nullptr, GS::EmptyUniString), static_cast<GSErrCode>(0x810600E4));
    EXPECT_EQ(clash.header.index.ToInt32_Deprecated(), 7);

    API_Attribute fresh = Layer("Parcely");
    GS::UniString unicodeName("Parcely KN");
    fresh.header.uniStringNamePtr = &unicodeName;  // preferred over the 8-bit name
    ASSERT_EQ(project.CreateAttribute(&fresh, nullptr, GS::EmptyUniString), NoError);
    EXPECT_EQ(fresh.header.index.ToInt32_Deprecated(), 8);

    API_Attr_Head head = Layer("Parcely KN").header;
    ASSERT_EQ(project.GetAttributeByName(&head), NoError);
    EXPECT_EQ(head.index.ToInt32_Deprecated(), 8);
    head = Layer("Parcely").header;
    EXPECT_EQ(project.GetAttributeByName(&head), APIERR_BADNAME);

    API_Attribute empty = Layer("");
    EXPECT_EQ(project.CreateAttribute(&empty, nullptr, GS::EmptyUniString), APIERR_BADNAME);
    EXPECT_EQ(project.Save()["layers"].size(), 3u);
}

TEST_F(ProjectTest, SurfaceTexturesMustLieInALoadedLibrary)
{
    const std::string outside = work / "outside.png";
    test::WriteFile(outside, "png");
    const std::string inside = work / "EmbeddedLibrary/inside.png";
    test::WriteFile(inside, "png");

    API_Attribute surface{};
    surface.header.typeID = API_MaterialID;
    CHTruncate("Ortofoto", surface.header.name, sizeof surface.header.name);
    surface.material.texture.xSize = 20.0;
    surface.material.texture.ySize = 10.0;
    GS::ucscpy(surface.material.texture.texName, GS::UniString("inside.png").ToUStr());
    IO::Location outsideFile{GS::UniString(outside.c_str())};
    surface.material.texture.fileLoc = &outsideFile;
    EXPECT_EQ(project.CreateAttribute(&surface, nullptr, GS::EmptyUniString), APIERR_BADPARS);

    IO::Location insideFile{GS::UniString(inside.c_str())};
    surface.material.texture.fileLoc = &insideFile;
    ASSERT_EQ(project.CreateAttribute(&surface, nullptr, GS::EmptyUniString), NoError);
    const json saved = project.Save()["surfaces"].back();
    EXPECT_EQ(saved["name"], "Ortofoto");
    EXPECT_EQ(saved["texture"]["file"], inside);
    EXPECT_EQ(saved["texture"]["name"], "inside.png");
    EXPECT_EQ(saved["texture"]["sizeX"], 20.0);
}

TEST_F(ProjectTest, PensFollowTheProjectFile)
{
    UInt32 count = 0;
    ASSERT_EQ(project.GetPenCount(&count), NoError);
    EXPECT_EQ(count, 255u);

    project.Load(json::parse(R"({"pens": [{"index": 2, "rgb": [1.0, 0.5, 0.0]}]})"));
    ASSERT_EQ(project.GetPenCount(&count), NoError);
    EXPECT_EQ(count, 1u);
    API_Pen pen{};
    pen.index = 2;
    ASSERT_EQ(project.GetPen(&pen), NoError);
    EXPECT_EQ(pen.rgb.f_green, 0.5);
    pen.index = 1;
    EXPECT_EQ(project.GetPen(&pen), APIERR_BADINDEX);
}

TEST_F(ProjectTest, FoldersAndLibraries)
{
    for (API_SpecFolderID id : {API_UserDocumentsFolderID, API_TemporaryFolderID}) {
        IO::Location folder;
        ASSERT_EQ(project.GetSpecialFolder(&id, &folder), NoError);
        EXPECT_TRUE(std::filesystem::is_directory(folder.ToFileSystemPath()));
        EXPECT_EQ(folder.ToFileSystemPath().rfind(work.Path().string(), 0), 0u);
    }
    API_SpecFolderID application = API_ApplicationFolderID;
    IO::Location folder;
    EXPECT_EQ(project.GetSpecialFolder(&application, &folder), APIERR_BADPARS);

    GS::Array<API_LibraryInfo> libraries;
    ASSERT_EQ(project.GetLibraries(&libraries), NoError);
    ASSERT_EQ(libraries.GetSize(), 1u);
    EXPECT_EQ(libraries[0].libraryType, API_EmbeddedLibrary);

    const std::string source = work / "Temp/texture.png";
    test::WriteFile(source, "image bytes");
    const GS::Array<IO::Location> files = {IO::Location(GS::UniString(source.c_str()))};
    ASSERT_EQ(project.CopyFilesIntoLibrary(libraries[0].location, files, false), NoError);
    EXPECT_EQ(test::ReadFile(work / "EmbeddedLibrary/texture.png"), "image bytes");
    EXPECT_EQ(project.CopyFilesIntoLibrary(libraries[0].location, files, false), APIERR_NAMEALREADYUSED);
    test::WriteFile(source, "newer bytes");
    EXPECT_EQ(project.CopyFilesIntoLibrary(libraries[0].location, files, true), NoError);
    EXPECT_EQ(test::ReadFile(work / "EmbeddedLibrary/texture.png"), "newer bytes");

    const IO::Location notALibrary(GS::UniString((work / "Temp").c_str()));
    EXPECT_EQ(project.CopyFilesIntoLibrary(notALibrary, files, true), APIERR_BADPARS);
    const GS::Array<IO::Location> missing = {IO::Location(GS::UniString((work / "Temp/none.png").c_str()))};
    EXPECT_EQ(project.CopyFilesIntoLibrary(libraries[0].location, missing, true), APIERR_BADPARS);
}

TEST_F(ProjectTest, LibraryKindsOfTheFileAreHandedOverAsTheHostNumbersThem)
{
    project.Load(json::parse(R"({"libraries": [{"kind": 1, "path": "/lib/local"}, {"kind": 2, "path": "/lib/server"},
                                                {"kind": 3, "path": "/lib/builtin"}, {"kind": 4, "path": "LIBRARY"}]})"));
    GS::Array<API_LibraryInfo> libraries;
    ASSERT_EQ(project.GetLibraries(&libraries), NoError);
    ASSERT_EQ(libraries.GetSize(), 4u);
    EXPECT_EQ(libraries[0].libraryType, API_LocalLibrary);
    EXPECT_EQ(libraries[1].libraryType, API_ServerLibrary);
    EXPECT_EQ(libraries[2].libraryType, API_BuiltInLibrary);
    EXPECT_EQ(libraries[3].libraryType, API_EmbeddedLibrary);
    EXPECT_FALSE(libraries[0].readOnly);
    EXPECT_TRUE(libraries[1].readOnly);
    EXPECT_TRUE(libraries[2].readOnly);
    EXPECT_FALSE(libraries[3].readOnly);
    EXPECT_EQ(project.Save()["libraries"][1]["kind"], 2) << "the file keeps its own numbers";
}

TEST_F(ProjectTest, ProjectRecordTellsWhereTheProjectIsSaved)
{
    API_ProjectInfo info{};
    ASSERT_EQ(project.GetProjectInfo(&info), NoError);
    EXPECT_TRUE(info.untitled);
    EXPECT_EQ(info.location, nullptr);

    project.Load({{"untitled", false}, {"projectFile", work / "plot.pln"}});
    ASSERT_EQ(project.GetProjectInfo(&info), NoError);
    EXPECT_FALSE(info.untitled);
    ASSERT_NE(info.location, nullptr);
    EXPECT_EQ(info.location->ToFileSystemPath(), work / "plot.pln");
    ASSERT_NE(info.projectName, nullptr);
    EXPECT_EQ(*info.projectName, "plot");
}

TEST_F(ProjectTest, AutoTextsAreCreatedByNameAndSetByKey)
{
    API_AutoTextList list;
    EXPECT_EQ(project.GetAutoTexts(&list, static_cast<API_AutotextType>(1)), APIERR_BADPARS);
    GS::Guid guid;
    guid.Generate();
    const API_Guid id = GSGuid2APIGuid(guid);
    EXPECT_EQ(project.CreateAutoText(&id, ""), APIERR_BADNAME);
    ASSERT_EQ(project.CreateAutoText(&id, "Parcela"), NoError);
    guid.Generate();
    const API_Guid other = GSGuid2APIGuid(guid);
    ASSERT_EQ(project.CreateAutoText(&other, "PARCELA"), NoError);  // names are case-sensitive

    ASSERT_EQ(project.GetAutoTexts(&list, APIAutoText_Custom), NoError);
    ASSERT_EQ(list.GetSize(), 2u);
    ASSERT_EQ(list[0].GetSize(), 3u);
    EXPECT_EQ(list[0][0], "Parcela");
    const GS::UniString value("123/4 Kutná Hora");
    ASSERT_EQ(project.SetAutoText(&list[0][1], &value), NoError);
    const GS::UniString unknown("<#NOPE>");
    EXPECT_EQ(project.SetAutoText(&unknown, &value), APIERR_BADNAME);

    const json saved = project.Save()["autotexts"];
    EXPECT_EQ(saved[0]["value"], "123/4 Kutná Hora");
    EXPECT_EQ(saved[1]["value"], "");
    EXPECT_NE(saved[0]["key"], saved[1]["key"]);
}

}  // namespace
