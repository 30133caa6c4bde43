// The main job: the sample plot placed into a new project, and what the demo leaves on disk.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/Demo.hpp"
#include "SamplePlot.hpp"
#include "TestSupport.hpp"

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

class DemoRun : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        folder = new test::TempFolder();
        sim::DemoOptions options;
        options.outFolder = folder->Path().string();
        std::ostringstream err;
        status = sim::RunDemo(options, log, err);
        errors = err.str();
        plot = new samples::SamplePlot(samples::GenerateSamplePlot());
        const std::string name = "Pruhonice-" + plot->parcelNumber.substr(plot->parcelNumber.find('/') + 1) + ".json";
        project = json::parse(test::ReadFile(folder->Path() / name), nullptr, false);
    }

    static void TearDownTestSuite()
    {
        delete plot;
        delete folder;
    }

    static std::map<std::string, int> CountByType()
    {
        std::map<std::string, int> counts;
        for (const auto& element : project["elements"])
            ++counts[element["type"].get<std::string>()];
        return counts;
    }

    static inline test::TempFolder* folder = nullptr;
    static inline samples::SamplePlot* plot = nullptr;
    static inline std::ostringstream log;
    static inline std::string errors;
    static inline int status = -1;
    static inline json project;
};

TEST_F(DemoRun, FinishesAndSavesTheProject)
{
    ASSERT_EQ(status, 0) << errors << log.str();
    ASSERT_TRUE(project.is_object());
    EXPECT_FALSE(project["untitled"].get<bool>());
    EXPECT_NE(log.str().find("PlaceTerrain: kod=0 "), std::string::npos) << log.str();
    EXPECT_NE(log.str().find("PlaceBuildings: kod=0 "), std::string::npos) << log.str();
}

TEST_F(DemoRun, PlacesEveryPieceOfThePlot)
{
    ASSERT_EQ(status, 0) << errors;
    size_t lines = 0, texts = 0;
    for (const auto& layer : plot->cadastre) {
        lines += layer.lines.size();
        texts += layer.texts.size();
    }
    const auto counts = CountByType();
    // The cadastre goes onto a worksheet and onto the plan over the orthophoto.
    EXPECT_EQ(counts.at("polyline"), static_cast<int>(2 * lines));
    EXPECT_EQ(counts.at("text"), static_cast<int>(2 * texts));
    EXPECT_EQ(counts.at("picture"), 1);
    EXPECT_EQ(counts.at("mesh"), static_cast<int>(1 + plot->buildings.size()));

    size_t levelPoints = 0;
    for (const auto& element : project["elements"]) {
        if (element["type"] == "mesh")
            levelPoints = std::max(levelPoints, element["levelPoints"].size());
    }
    EXPECT_EQ(levelPoints, plot->terrainPoints.size());
}

TEST_F(DemoRun, MakesOneUndoStepPerPlacement)
{
    ASSERT_EQ(status, 0) << errors;
    std::vector<std::string> names;
    for (const auto& step : project["undoSteps"])
        names.push_back(step["name"].get<std::string>());
    EXPECT_EQ(names, (std::vector<std::string>{"Vložit katastr", "Vložit ortofoto", "Vložit katastr", "Vložit terén",
                                               "Vložit okolní zástavbu"}));
}

TEST_F(DemoRun, TiesTheProjectToTheGrid)
{
    ASSERT_EQ(status, 0) << errors;
    const auto& reference = project["geoLocation"]["geoReference"];
    EXPECT_DOUBLE_EQ(reference[0].get<double>(), plot->surveyEastings);
    EXPECT_DOUBLE_EQ(reference[1].get<double>(), plot->surveyNorthings);
    EXPECT_DOUBLE_EQ(reference[2].get<double>(), plot->surveyHeight);
    EXPECT_EQ(project["geoLocation"]["crs"][0], "EPSG:5514 (S-JTSK / Krovak East North)");
    EXPECT_DOUBLE_EQ(project["site"]["altitude"].get<double>(), plot->surveyHeight);

    std::map<std::string, std::string> autotexts;
    for (const auto& autotext : project["autotexts"])
        autotexts[autotext["name"].get<std::string>()] = autotext["value"].get<std::string>();
    for (const auto& [key, value] : plot->projectInfo)
        EXPECT_EQ(autotexts[key], value) << key;
}

TEST_F(DemoRun, WritesTheReportAndThePictures)
{
    ASSERT_EQ(status, 0) << errors;
    bool report = false;
    for (const auto& entry : std::filesystem::directory_iterator(folder->Path())) {
        if (entry.path().extension() == ".txt" && entry.path().filename() != "summary.txt") {
            EXPECT_EQ(test::ReadFile(entry.path()), "\xEF\xBB\xBF" + plot->report);
            report = true;
        }
    }
    EXPECT_TRUE(report);
    EXPECT_TRUE(std::filesystem::exists(folder->Path() / "model.gltf"));
    EXPECT_TRUE(std::filesystem::exists(folder->Path() / "plan-story-0.svg"));
    EXPECT_TRUE(std::filesystem::exists(folder->Path() / "summary.txt"));
}

}  // namespace
