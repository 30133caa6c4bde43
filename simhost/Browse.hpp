#pragma once

// `landfetch-host browse`: the palette's page in Chromium, each call printed as it happens, and
// the host window beside it showing the project as it changes.

#include <iosfwd>

namespace sim {

class Simulator;

// Opens the palette and the host window in the simulator's Chromium control and lets the page work
// until the palette's window is closed, or SIGINT or SIGTERM arrives. Throws sim::Error when the
// simulator does not show its page in Chromium, sim::BrowserGoneError when Chromium goes.
void RunBrowse(Simulator& simulator, std::ostream& out, std::ostream& err);

}  // namespace sim
