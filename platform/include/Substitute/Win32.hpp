#pragma once

// The few system calls an add-on makes, as this platform offers them.

#include "GSTypes.hpp"
#include "PlatformExport.hpp"

using HINSTANCE = void*;  // a loaded module: its load address
using UINT = UInt32;
using DWORD = UInt32;

// Writes the module's file path, zero-terminated; returns the number of code units written without
// the terminator (0 for an unknown module). A path that does not fit is cut to `size` - 1 code units
// and terminated, and `size` is returned, as the system does.
PLATFORM_API DWORD GetModuleFileNameW(HINSTANCE module, char16_t* fileName, DWORD size);

// The same name always gives the same message number, from 0xC000 on.
PLATFORM_API UINT RegisterWindowMessageW(const char16_t* name);

// The module that holds an address of code or data (what the loader's attach notification hands over).
PLATFORM_API HINSTANCE GetModuleOfAddress(const void* address);
