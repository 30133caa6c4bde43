#pragma once

// The sample plot as the files a web application downloads: what the reference web application
// fetches from its origin under "sample/", and what `landfetch-sample-data` writes for developers.

#include <string>
#include <vector>

#include "SamplePlot.hpp"

namespace samples {

struct SampleFile {
    std::string name;  // plain file name, no folder
    std::string mime;
    std::string bytes;
};

// plot.json (everything but the large data, grid coordinates, absolute heights; names the other
// files), orthophoto.jpg, drape.jpg (the texture laid from the survey point), terrain.xyz (one
// "x y z" line per measured point, grid coordinates) and report.txt (UTF-8).
std::vector<SampleFile> SampleFiles(const SamplePlot& plot);

}  // namespace samples
