#pragma once

#include <ostream>
#include <string>

#include "HostApiVersions.hpp"

namespace sim {

struct DemoOptions {
    int apiVersion = landfetch::DefaultHostApiVersion;
    std::string modulePath;             // empty: the build next to the executable
    std::string outFolder = "landfetch-out";
    std::string browser = "record";     // the palette's browser control (Simulator::Options::browser)
    std::string webapp = {};
    bool headless = true;
};

// Places the embedded sample plot into a new project the way the web application does, printing
// one line per call, and writes the project, its drawings, its model, the report and a summary
// into the out folder. Returns the process exit status.
int RunDemo(const DemoOptions& options, std::ostream& out, std::ostream& err);

}  // namespace sim
