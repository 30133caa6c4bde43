#pragma once

#include "GSTypes.hpp"
#include "PlatformExport.hpp"

// Handles: relocatable blocks. Every handle is zero-filled when allocated. A negative size or an
// exhausted memory gives a null handle.
constexpr GSFlags ALLOCATE_CLEAR = 0x0002;
PLATFORM_API GSHandle BMAllocateHandle(GSSize nBytes, GSFlags flags, short actionCode);
PLATFORM_API GSSize BMGetHandleSize(GSConstHandle handle);
PLATFORM_API void BMKillHandle(GSHandle* handle);
