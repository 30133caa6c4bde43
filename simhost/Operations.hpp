#pragma once

// The simulator's side of every host operation in the function table. Each operation is defined
// in the file of the part that owns it: the shell's and the browser's in Shell.cpp and
// BrowserControl.cpp, the project database's in the Project*.cpp files.

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
