#pragma once

#include <cstddef>
#include <cstdint>

using Int8 = std::int8_t;
using UInt8 = std::uint8_t;
using Int16 = std::int16_t;
using UInt16 = std::uint16_t;
using Int32 = std::int32_t;
using UInt32 = std::uint32_t;
using Int64 = std::int64_t;
using UInt64 = std::uint64_t;

using GSErrCode = Int32;
using GSFlags = UInt32;
using GSSize = Int32;
using GSPtr = char*;
using GSHandle = char**;
using GSConstHandle = const char* const*;
using GSResModule = Int32;

constexpr GSErrCode NoError = 0;
constexpr GSResModule InvalidResModule = -1;  // all bits set

// 8-bit character codes. The default code (0) is UTF-8 on this platform; 99 names UTF-8 explicitly.
// Any other code is read and written as Latin-1, one byte per code unit.
enum GSCharCode : Int32 {
    CC_Default = 0,
    CC_Latin1 = 1,
    CC_UTF8 = 99
};

namespace GS {
using IntPtr = std::intptr_t;
using UIntPtr = std::uintptr_t;
using uchar_t = char16_t;
}  // namespace GS
