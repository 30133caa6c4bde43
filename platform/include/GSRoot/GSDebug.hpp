#pragma once

#include <string>

#include "GSTypes.hpp"
#include "PlatformExport.hpp"

// Debug output. The text written is kept so that the host can read it.
PLATFORM_API void DBPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
PLATFORM_API std::string DBGetPrintedText();
PLATFORM_API void DBClearPrintedText();
