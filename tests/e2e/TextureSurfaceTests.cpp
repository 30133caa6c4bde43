#include <filesystem>
#include <regex>

#include "PlacementHarness.hpp"

using placementtest::ElementsOfType;
using placementtest::json;
using placementtest::Session;

namespace fs = std::filesystem;

namespace {

const std::string Points = "0 0 1\n10 0 2\n10 10 3\n0 10 4\n";
const std::string Png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16);

json TerrainWithTexture(const std::string& code, const std::string& image, double sizeX, double sizeY)
{
    return json::array({code, Points, 0, json::array(), "", "", "", "", 0, sim::EncodeBase64(image), sizeX, sizeY});
}

std::vector<json> TexturedSurfaces(const json& project)
{
    std::vector<json> found;
    for (const json& surface : project["surfaces"])
        if (surface.contains("texture"))
            found.push_back(surface);
    return found;
}

std::vector<std::string> FilesIn(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error))
        names.push_back(entry.path().filename().string());
    return names;
}

fs::path Library(const Session& session)
{
    return session.folder.Path() / "EmbeddedLibrary";
}

fs::path Temporary(const Session& session)
{
    return session.folder.Path() / "Temp";
}

}  // namespace

TEST(TextureSurface, PngBecomesALibraryFileAndATexturedTopSurface)
{
    Session session;
    const std::string reply = session.Call("PlaceTerrain", TerrainWithTexture("dmp1g", Png, 120, 80));
    EXPECT_EQ(reply.rfind("kod=0 mat=\"Ortofoto teren CUZK (dmp1g)\" win=1 ", 0), 0u) << reply;
    EXPECT_NE(reply.find(" u3 textura=ano u4 "), std::string::npos) << reply;

    const json project = session.Project();
    const auto surfaces = TexturedSurfaces(project);
    ASSERT_EQ(surfaces.size(), 1u);
    const json& surface = surfaces[0];
    EXPECT_EQ(surface["name"], "Ortofoto teren CUZK (dmp1g)");
    const json texture = surface["texture"];
    const std::string name = texture["name"];
    EXPECT_TRUE(std::regex_match(name, std::regex("Ortofoto_teren_CUZK__dmp1g__\\d+_\\d+\\.png"))) << name;
    EXPECT_EQ(texture["sizeX"], 120.0);
    EXPECT_EQ(texture["sizeY"], 80.0);
    EXPECT_EQ(texture["status"], 0x11E0);
    EXPECT_EQ(fs::path(texture["file"].get<std::string>()), Library(session) / name);
    EXPECT_EQ(test::ReadFile(Library(session) / name), Png);
    EXPECT_TRUE(FilesIn(Temporary(session)).empty());  // the temporary copy is gone

    const json mesh = ElementsOfType(project, "mesh").at(0);
    EXPECT_EQ(mesh["topSurface"], surface["index"]);
    EXPECT_EQ(mesh["chaining"], false);
}

TEST(TextureSurface, NameClashesGetANumberAndFilesACounter)
{
    Session session({{"surfaces", {{{"index", 1}, {"name", "Ortofoto teren CUZK (dmr5g)"}}}}});
    const std::string eightBytePng("\x89PNG\r\n\x1a\n", 8);
    session.Call("PlaceTerrain", TerrainWithTexture("dmr5g", eightBytePng, 10, 10));
    const std::string reply = session.Call("PlaceTerrain", TerrainWithTexture("dmr5g", Png, 10, 10));
    EXPECT_EQ(reply.rfind("kod=0 mat=\"Ortofoto teren CUZK (dmr5g) 3\" ", 0), 0u) << reply;

    const auto surfaces = TexturedSurfaces(session.Project());
    ASSERT_EQ(surfaces.size(), 2u);
    EXPECT_EQ(surfaces[0]["name"], "Ortofoto teren CUZK (dmr5g) 2");
    const std::regex pattern("(Ortofoto_teren_CUZK__dmr5g__[23])_(\\d+)_(\\d+)\\.(png|jpg)");
    std::smatch first, second;
    const std::string firstName = surfaces[0]["texture"]["name"], secondName = surfaces[1]["texture"]["name"];
    ASSERT_TRUE(std::regex_match(firstName, first, pattern)) << firstName;
    ASSERT_TRUE(std::regex_match(secondName, second, pattern)) << secondName;
    EXPECT_EQ(first[1], "Ortofoto_teren_CUZK__dmr5g__2");
    EXPECT_EQ(first[4], "jpg");  // a signature alone is no PNG
    EXPECT_EQ(second[4], "png");
    EXPECT_EQ(std::stoul(second[3]), std::stoul(first[3]) + 1);
    EXPECT_EQ(FilesIn(Library(session)).size(), 2u);
}

TEST(TextureSurface, JpegDataGetsAJpgFile)
{
    Session session;
    const std::string jpeg("\xFF\xD8\xFF\xE0\0\x10JFIF\0", 11);
    session.Call("PlaceTerrain", TerrainWithTexture("dmp_ok", jpeg, 5, 5));
    const auto surfaces = TexturedSurfaces(session.Project());
    ASSERT_EQ(surfaces.size(), 1u);
    const std::string name = surfaces[0]["texture"]["name"];
    EXPECT_TRUE(std::regex_match(name, std::regex("Ortofoto_teren_CUZK__dmp_ok__\\d+_\\d+\\.jpg"))) << name;
}

TEST(TextureSurface, NoSizeMeansNoSurfaceAndNoDiagnostics)
{
    for (const auto& [sizeX, sizeY] : std::vector<std::pair<double, double>>{{0, 10}, {10, 0}, {-1, 5}}) {
        Session session;
        const std::string reply = session.Call("PlaceTerrain", TerrainWithTexture("dmp1g", Png, sizeX, sizeY));
        EXPECT_EQ(reply.rfind("kod=0 win=1 u1 u2 u3 u4 ", 0), 0u) << reply;
        EXPECT_TRUE(TexturedSurfaces(session.Project()).empty());
        EXPECT_TRUE(FilesIn(Temporary(session)).empty());
    }
}

TEST(TextureSurface, ProjectWithoutEmbeddedLibraryKeepsTheMeshUntextured)
{
    Session session({{"libraries", json::array()}});
    const std::string reply = session.Call("PlaceTerrain", TerrainWithTexture("dmp1g", Png, 10, 10));
    EXPECT_EQ(reply.rfind("kod=0 tex_no_embedded_lib win=1 ", 0), 0u) << reply;
    EXPECT_EQ(reply.find("textura=ano"), std::string::npos);
    EXPECT_TRUE(TexturedSurfaces(session.Project()).empty());
    EXPECT_EQ(FilesIn(Temporary(session)).size(), 1u);
    EXPECT_EQ(ElementsOfType(session.Project(), "mesh").size(), 1u);
}

TEST(TextureSurface, HostFailuresEachLeaveOneWord)
{
    struct Row {
        json faults;
        std::string word;
    };
    const std::vector<Row> rows{
        {{{"GetSpecialFolder", -11}}, "tex_tmpfolder_err "},
        {{{"GetLibraries", -12}}, "tex_no_embedded_lib "},
        {{{"CopyFilesIntoLibrary", -13}}, "tex_copy_err=-13 "},
        {{{"CreateAttribute", {{"code", -14}, {"calls", {1}}}}}, "tex_mat_err=-14 "},
    };
    for (const Row& row : rows) {
        Session session({{"faults", row.faults}});
        const std::string reply = session.Call("PlaceTerrain", TerrainWithTexture("dmp1g", Png, 10, 10));
        EXPECT_EQ(reply.rfind("kod=0 " + row.word + "win=1 ", 0), 0u) << reply;
        EXPECT_EQ(reply.find("textura=ano"), std::string::npos) << reply;
        EXPECT_TRUE(TexturedSurfaces(session.Project()).empty()) << row.word;
    }
}
