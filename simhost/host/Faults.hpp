#pragma once

// Host operations told to fail, from a project file's "faults" and "missing" members.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "GSTypes.hpp"

namespace sim {

struct Fault {
    GSErrCode code = 0;
    std::vector<int> calls;  // 1-based call numbers; empty: every call
    std::string throws;      // "", "gs", "std" or "other"
};

struct FaultPlan {
    std::map<std::string, Fault> faults;  // by operation name (Host:: name without the prefix)
    std::set<std::string> missing;        // operations whose slot stays empty
};

}  // namespace sim
