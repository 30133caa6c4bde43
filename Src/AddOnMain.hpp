#pragma once

// The add-on's entry points and the handlers it installs with the host.

#include "ACAPinc.h"
#include "AddOnEntryPoints.hpp"

GSErrCode MenuCommandHandler(const API_MenuParams* menuParams);
GSErrCode ProjectEventHandler(API_NotifyEventID notifID, Int32 param);
