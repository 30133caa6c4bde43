#pragma once

#include "GSTypes.hpp"
#include "PlatformExport.hpp"
#include "UniString.hpp"

namespace GS {

// A GUID in the Windows layout: one 32-bit, two 16-bit words (little-endian), then eight bytes; the
// same layout as API_Guid.
class PLATFORM_API Guid {
public:
    Guid() = default;
    // Reads "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", braces optional; a malformed text gives the null GUID.
    explicit Guid(const char* text);

    GSErrCode Generate();  // a new random (version 4) GUID
    bool IsNull() const;
    UniString ToUniString() const;  // upper-case, with braces

    bool operator==(const Guid& other) const;
    bool operator!=(const Guid& other) const { return !(*this == other); }

private:
    UInt32 data1 = 0;
    UInt16 data2 = 0;
    UInt16 data3 = 0;
    UInt8 data4[8] = {};
};

}  // namespace GS
