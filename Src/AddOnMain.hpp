#pragma once

// The add-on's entry points and the handlers it installs with the host.

#include "APIDefs.hpp"

API_AddonType CheckAddOnEnvironment(API_EnvirParams* envirParams);
GSErrCode RegisterAddOnInterface();
GSErrCode InitializeAddOn();
GSErrCode FreeAddOn();

GSErrCode MenuCommandHandler(const API_MenuParams* menuParams);
GSErrCode ProjectEventHandler(API_NotifyEventID notifID, Int32 param);
