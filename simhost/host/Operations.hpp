#pragma once

// The simulator's side of every host operation in the function table: each hands the call to the
// part that carries it out, as host/OperationOwners.hpp names it.

#include "APIFunctionTable.hpp"

namespace sim {

class Shell;
class BrowserControl;
class Project;

class Operations {
public:
    Operations(Shell& shell, BrowserControl& browser, Project& project) : shell(shell), browser(browser), project(project)
    {
    }

#define SIM_DECLARE_OPERATION(name, params, args) GSErrCode name params;
    API_HOST_OPERATIONS(SIM_DECLARE_OPERATION)
#undef SIM_DECLARE_OPERATION

    Shell& shell;
    BrowserControl& browser;
    Project& project;
};

}  // namespace sim
