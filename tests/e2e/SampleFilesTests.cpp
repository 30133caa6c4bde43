// The sample plot as the files the reference web application downloads.

#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "SampleFiles.hpp"
#include "SamplePlot.hpp"

#include <nlohmann/json.hpp>

namespace {

using nlohmann::json;

class SampleFilesTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        plot = new samples::SamplePlot(samples::GenerateSamplePlot());
        for (auto& file : samples::SampleFiles(*plot))
            files[file.name] = file;
    }
    static void TearDownTestSuite() { delete plot; }

    static samples::SamplePlot* plot;
    static std::map<std::string, samples::SampleFile> files;
};

samples::SamplePlot* SampleFilesTest::plot = nullptr;
std::map<std::string, samples::SampleFile> SampleFilesTest::files;

TEST_F(SampleFilesTest, PlotJsonNamesEveryOtherFileAndHoldsTheGridData)
{
    const json data = json::parse(files.at("plot.json").bytes, nullptr, false);
    ASSERT_TRUE(data.is_object());
    for (const auto& [role, name] : data.at("files").items())
        EXPECT_TRUE(files.count(name.get<std::string>())) << role << " names a file that is not there: " << name;
    EXPECT_EQ(files.size(), data.at("files").size() + 1);

    EXPECT_EQ(data.at("parcelNumber"), plot->parcelNumber);
    EXPECT_EQ(data.at("survey").at("eastings").get<double>(), plot->surveyEastings);
    EXPECT_EQ(data.at("survey").at("height").get<double>(), plot->surveyHeight);
    EXPECT_EQ(data.at("tile").at("size").get<double>(), plot->tileSize);
    ASSERT_EQ(data.at("cadastre").size(), plot->cadastre.size());
    for (size_t i = 0; i < plot->cadastre.size(); ++i) {
        const json& layer = data.at("cadastre")[i];
        EXPECT_EQ(layer.at("name"), plot->cadastre[i].name);
        EXPECT_EQ(layer.at("kind"), plot->cadastre[i].kind);
        EXPECT_EQ(layer.at("lines").size(), plot->cadastre[i].lines.size());
        EXPECT_EQ(layer.at("texts").size(), plot->cadastre[i].texts.size());
        EXPECT_EQ(layer.at("points").size(), plot->cadastre[i].points.size());
    }
    ASSERT_EQ(data.at("buildings").size(), plot->buildings.size());
    EXPECT_EQ(data.at("buildings")[0].at("footprint")[0][0].get<double>(), plot->buildings[0].footprint[0].first);
    EXPECT_EQ(data.at("buildings")[0].at("roofPoints").size(), plot->buildings[0].roofPoints.size());
    EXPECT_EQ(data.at("projectInfo").size(), plot->projectInfo.size());
}

TEST_F(SampleFilesTest, LargeDataTravelsAsFilesOfTheirOwn)
{
    EXPECT_EQ(files.at("orthophoto.jpg").bytes, plot->orthophoto.bytes);
    EXPECT_EQ(files.at("drape.jpg").bytes, plot->drapeTexture.bytes);
    EXPECT_EQ(files.at("report.txt").bytes, plot->report);
    EXPECT_EQ(files.at("orthophoto.jpg").mime, "image/jpeg");

    // One "x y z" line per measured point, in grid coordinates.
    std::istringstream lines(files.at("terrain.xyz").bytes);
    std::string line;
    size_t count = 0;
    double x = 0, y = 0, z = 0;
    while (std::getline(lines, line)) {
        std::istringstream(line) >> x >> y >> z;
        ++count;
    }
    EXPECT_EQ(count, plot->terrainPoints.size());
    EXPECT_NEAR(x, plot->terrainPoints.back().x, 0.005);
    EXPECT_NEAR(z, plot->terrainPoints.back().z, 0.005);
}

}  // namespace
