// Writes the sample plot's data files into a folder: the files the reference web application
// downloads (plot.json, orthophoto.jpg, drape.jpg, terrain.xyz, report.txt).

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "SampleFiles.hpp"
#include "SamplePlot.hpp"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: landfetch-sample-data FOLDER\n");
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const samples::SamplePlot plot = samples::GenerateSamplePlot();
    for (const samples::SampleFile& file : samples::SampleFiles(plot)) {
        std::ofstream out(folder / file.name, std::ios::binary);
        out << file.bytes;
        if (!out) {
            std::fprintf(stderr, "landfetch-sample-data: cannot write %s\n", (folder / file.name).string().c_str());
            return 2;
        }
    }
    std::printf("%s, parcel %s: %zu terrain points, %zu buildings, survey point %.2f %.2f %.2f\n", plot.name.c_str(),
                plot.parcelNumber.c_str(), plot.terrainPoints.size(), plot.buildings.size(), plot.surveyEastings,
                plot.surveyNorthings, plot.surveyHeight);
    return 0;
}
