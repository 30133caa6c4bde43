#pragma once

#include "GSTypes.hpp"
#include "PlatformExport.hpp"

// 8-bit character codes. The default code (0) is UTF-8 on this platform; 99 names UTF-8 explicitly.
// Any other code (such as the Western European one) is read and written as Latin-1, one byte per
// code unit.
enum GSCharCode : Int32 {
    CC_Default = 0,
    CC_WestEuropean = 11,
    CC_UTF8 = 99
};

// Copies an 8-bit text into a buffer of `destSize` bytes, zero-terminated, without cutting a
// UTF-8 sequence in half. Returns the number of bytes copied before the terminator.
PLATFORM_API Int32 CHTruncate(const char* source, char* dest, Int32 destSize, GSCharCode charCode = CC_Default);
