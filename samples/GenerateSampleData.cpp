// Writes the sample plot's images, terrain points and report into a folder.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "SamplePlot.hpp"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: landfetch-sample-data FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    const samples::SamplePlot plot = samples::GenerateSamplePlot();
    const auto write = [&](const std::string& name, const std::string& bytes) {
        std::ofstream out(folder + "/" + name, std::ios::binary);
        out << bytes;
        if (!out) {
            std::fprintf(stderr, "landfetch-sample-data: cannot write %s/%s\n", folder.c_str(), name.c_str());
            std::exit(2);
        }
    };
    write("orthophoto.jpg", plot.orthophoto.bytes);
    write("terrain.xyz", samples::TerrainPointsText(plot.terrainPoints, 0.0, 0.0));
    write("report.txt", plot.report);
    std::printf("%s, parcel %s: %zu terrain points, %zu buildings, survey point %.2f %.2f %.2f\n", plot.name.c_str(),
                plot.parcelNumber.c_str(), plot.terrainPoints.size(), plot.buildings.size(), plot.surveyEastings,
                plot.surveyNorthings, plot.surveyHeight);
    return 0;
}
