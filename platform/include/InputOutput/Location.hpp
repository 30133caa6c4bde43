#pragma once

// Files and folders: names, locations and the file library's results.

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

}  // namespace IO
