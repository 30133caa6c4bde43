#pragma once

// `landfetch-host browse`: the palette's page in Chromium, each call printed as it happens, and
// the host window beside it showing the project as it changes.

#include <iosfwd>
#include <string>

#include <nlohmann/json.hpp>

namespace sim {

class Simulator;

struct BrowseOptions {
    std::string recordPath;        // empty: the session is not recorded
    nlohmann::json startProject;   // the project the session starts from (null: a new one), for the recording
};

// Opens the palette and the host window in the simulator's Chromium control and lets the page work
// until the palette's window is closed, or SIGINT or SIGTERM arrives. Throws sim::Error when the
// simulator does not show its page in Chromium, sim::BrowserGoneError when Chromium goes. A
// recording is written when the session ends, however it ends.
void RunBrowse(Simulator& simulator, const BrowseOptions& options, std::ostream& out, std::ostream& err);

}  // namespace sim
