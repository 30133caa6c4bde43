#pragma once

// Files and folders (InputOutput) and the file-type manager (FTM).

#include <string>

#include "GSRoot.hpp"

namespace IO {

// Results of the file library; 0 is success.
constexpr GSErrCode BadLocationErr = -5301;   // no name to take, or a path this machine cannot map
constexpr GSErrCode FileNotFoundErr = -5302;
constexpr GSErrCode AccessDeniedErr = -5303;
constexpr GSErrCode NotOpenErr = -5304;
constexpr GSErrCode WriteErr = -5305;
constexpr GSErrCode BadParameterErr = -5306;

class PLATFORM_API Name {
public:
    Name() = default;
    explicit Name(const GS::UniString& text) : text(text) {}
    const GS::UniString& ToString() const { return text; }

private:
    GS::UniString text;
};

// A place in the file system, kept as the path text it was made from. Paths in the Windows way
// ("C:\dir\file", "\\server\share\file") keep their form; on this machine a drive letter names a
// folder set with SetDriveFolder.
class PLATFORM_API Location {
public:
    Location() = default;
    explicit Location(const GS::UniString& path);

    bool IsEmpty() const { return path.IsEmpty(); }
    GSErrCode AppendToLocal(const Name& name);
    GSErrCode DeleteLastLocalName();  // an error when no name is left to delete
    GSErrCode GetLastLocalName(Name* name) const;
    GSErrCode ToPath(GS::UniString* result) const;

    // The path on this machine's file system; empty when it cannot be mapped.
    std::string ToFileSystemPath() const;

    bool operator==(const Location& other) const { return path == other.path; }
    bool operator!=(const Location& other) const { return path != other.path; }

private:
    GS::UniString path;
};

PLATFORM_API void SetDriveFolder(char driveLetter, const std::string& folder);

class PLATFORM_API File {
public:
    enum OnNotFound : Int32 { Fail = 0, Create = 1 };
    enum OpenMode : Int32 { ReadMode = 1, WriteEmptyMode = 2, ReadWriteMode = 3, AppendMode = 4 };
    enum AccessDeniedTreatment : Int32 { Ignore = 0, Throw = 1, Report = 2 };

    File(const Location& location, Int32 onNotFound = Fail);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    GSErrCode GetStatus() const { return status; }
    GSErrCode Open(Int32 openMode, Int32 accessDeniedTreatment = Report);
    GSErrCode WriteBin(const char* data, UInt32 length, UInt32* written = nullptr);
    GSErrCode Close();
    bool IsOpen() const;

private:
    Location location;
    GSErrCode status = NoError;
    void* handle = nullptr;
};

}  // namespace IO

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

// Keeps the file types known to the host, application-wide; the identifier names the owner.
class PLATFORM_API FileTypeManager {
public:
    explicit FileTypeManager(const char* identifier);
    ~FileTypeManager();

    static TypeID SearchForType(const FileType& type, GroupID group = RootGroup);
    TypeID AddType(const FileType& type, GroupID group = RootGroup);
    static bool GetType(TypeID id, FileType* type);

private:
    std::string identifier;
};

}  // namespace FTM
