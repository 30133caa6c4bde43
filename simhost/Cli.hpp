#pragma once

// The `landfetch-host` command line.

#include <iosfwd>

namespace sim {

// Runs one command; returns the process's exit status (0 done, 2 bad usage or unreadable input,
// 3 a call the page cannot find).
int RunCli(int argc, char** argv);
int RunCli(int argc, char** argv, std::ostream& out, std::ostream& err);

}  // namespace sim
