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
using UIndex = UInt32;
constexpr UIndex MaxUIndex = 0xFFFFFFFF;

namespace GS {
using IntPtr = std::intptr_t;
using UIntPtr = std::uintptr_t;
using uchar_t = char16_t;
}  // namespace GS

using GSResModule = GS::IntPtr;
using GSResID = Int32;

constexpr GSErrCode NoError = 0;
constexpr GSResModule InvalidResModule = -1;  // all bits set
