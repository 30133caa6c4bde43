#pragma once

// The file types known to the host (FTM).

#include "GSRoot.hpp"

namespace FTM {

using TypeID = Int32;
using GroupID = Int32;

constexpr TypeID UnknownType = 0;
constexpr GroupID RootGroup = 1;

class PLATFORM_API FileType {
public:
    FileType(const char* description, const char* extension, UInt32 macType, UInt32 macCreator, Int32 iconId,
             const void* contentDetector = nullptr, const char* moreTypes = nullptr, bool last = true);

    const GS::UniString& GetDescription() const { return description; }
    const GS::UniString& GetExtension() const { return extension; }
    // Kept as given; equality ignores them, as the host's Windows builds do.
    UInt32 GetMacType() const { return macType; }
    UInt32 GetMacCreator() const { return macCreator; }
    Int32 GetIconId() const { return iconId; }
    bool operator==(const FileType& other) const;

private:
    GS::UniString description;
    GS::UniString extension;
    UInt32 macType;
    UInt32 macCreator;
    Int32 iconId;
};

}  // namespace FTM
