#pragma once

// The four entry points the host calls through the exports. The binding wraps them; the add-on
// defines them (AddOnMain.cpp).

#include "ACAPinc.h"

API_AddonType CheckAddOnEnvironment(API_EnvirParams* envirParams);
GSErrCode RegisterAddOnInterface();
GSErrCode InitializeAddOn();
GSErrCode FreeAddOn();
