#pragma once

// One thin forwarding function per host operation. Each calls through the host's function table;
// an empty slot answers APIERR_MISSINGCODE. No other file of the module calls through the table.

#include "APIFunctionTable.hpp"

namespace Host {

#define LANDFETCH_DECLARE_HOST_OPERATION(name, params, args) GSErrCode name params;
API_HOST_OPERATIONS(LANDFETCH_DECLARE_HOST_OPERATION)
#undef LANDFETCH_DECLARE_HOST_OPERATION

// The module's own resources, opened when the module was loaded.
GSResModule GetOwnResourceModule();

}  // namespace Host
