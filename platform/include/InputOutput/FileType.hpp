#pragma once

// The file types known to the host (FTM).

#include "GSRoot.hpp"

namespace FTM {

// The identifier of a file type or of a group of types.
class PLATFORM_API GeneralID {
public:
    constexpr GeneralID() = default;
    bool operator==(const GeneralID& other) const { return value == other.value; }
    bool operator!=(const GeneralID& other) const { return value != other.value; }

    // Host side: the number behind the identifier (0: none).
    constexpr explicit GeneralID(Int32 value) : value(value) {}
    Int32 GetValue() const { return value; }

private:
    Int32 value = 0;
};

class PLATFORM_API TypeID : public GeneralID {
public:
    using GeneralID::GeneralID;
};

class PLATFORM_API GroupID : public GeneralID {
public:
    using GeneralID::GeneralID;
};

PLATFORM_API extern const TypeID UnknownType;
PLATFORM_API extern const GroupID RootGroup;

class PLATFORM_API FileType {
public:
    // The creator and Mac type are kept as given; the remaining arguments are accepted and unused.
    FileType(const char* description, const char* fileExt, UInt32 creator, UInt32 macType, int iconID,
             const void* callback = nullptr, const char* mime = nullptr, bool toLower = true);

    const GS::UniString& GetDescription() const { return description; }
    const GS::UniString& GetExtension() const { return extension; }
    // Equality ignores them, as the host's Windows builds do.
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
