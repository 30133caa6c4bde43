#pragma once

// The `landfetch-host` command line.

#include <iosfwd>

namespace sim {

// Runs one command; returns the process's exit status (0 done, 1 the add-on or the simulator
// failed, 2 bad usage or unreadable input, 3 a call the page cannot find, 4 the page's browser
// went away). Nothing is thrown: every failure is printed as one line on `err`.
int RunCli(int argc, char** argv);
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace sim
