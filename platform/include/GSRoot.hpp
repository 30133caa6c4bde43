#pragma once

// The host's base module: texts, containers, shared references, GUIDs, exceptions, memory.

#include <string>

#include "GSArray.hpp"
#include "GSException.hpp"
#include "GSRef.hpp"
#include "GSTypes.hpp"
#include "PlatformExport.hpp"
#include "UniString.hpp"

namespace GS {

// A GUID in the Windows layout: one 32-bit, two 16-bit words (little-endian), then eight bytes.
class PLATFORM_API Guid {
public:
    Guid() = default;
    // Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", braces optional; a malformed text gives the null GUID.
    explicit Guid(const char* text);
    explicit Guid(const UInt8 (&binary)[16]);

    void Generate();  // a new random (version 4) GUID
    bool IsNull() const;
    void GetBinary(UInt8 (&binary)[16]) const;
    UniString ToUniString() const;  // upper-case, with braces

    bool operator==(const Guid& other) const;
    bool operator!=(const Guid& other) const { return !(*this == other); }

private:
    UInt32 data1 = 0;
    UInt16 data2 = 0;
    UInt16 data3 = 0;
    UInt8 data4[8] = {};
};

// The host's allocator for an add-on's global allocation.
class PLATFORM_API MemoryManager {
public:
    static void* Allocate(std::size_t size);  // throws GS::OutOfMemoryException
    static void Free(void* block);
};

}  // namespace GS

// Handles: relocatable blocks. Every handle is zero-filled when allocated. A negative size or an
// exhausted memory gives a null handle.
constexpr GSFlags ALLOCATE_CLEAR = 2;
PLATFORM_API GSHandle BMAllocateHandle(GSSize nBytes, GSFlags flags, Int32 reserved);
PLATFORM_API GSSize BMGetHandleSize(GSConstHandle handle);
PLATFORM_API void BMKillHandle(GSHandle* handle);
// Handles alive at the moment; lets a host check that an add-on releases what it was given.
PLATFORM_API Int64 BMGetLiveHandleCount();

// Debug output. The text written is kept so that the host can read it.
PLATFORM_API void DBPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
PLATFORM_API std::string DBGetPrintedText();
PLATFORM_API void DBClearPrintedText();
