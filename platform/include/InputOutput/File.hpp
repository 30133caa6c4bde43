#pragma once

#include "GSRoot.hpp"
#include "Location.hpp"

namespace IO {

// What opening a file does when access is denied: an error is returned, and with AccessDeniedIsError
// a GS::GSException is thrown as well.
enum AccessDeniedTreatment : Int32 {
    AccessDeniedIsAllowed = 0,
    AccessDeniedIsError = 1,
    AccessDeniedIsErrorInPrivateLocations = 2
};

class PLATFORM_API File {
public:
    // Ignore: a missing file is no error until it is opened.
    enum OnNotFound : Int32 { Fail = 0, Create = 1, Ignore = 2 };
    // WriteMode writes over an existing file without emptying it first.
    enum OpenMode : Int32 { ReadMode = 0, WriteMode = 1, WriteEmptyMode = 2, ReadWriteMode = 3, AppendMode = 4 };

    File(const Location& location, OnNotFound onNotFound = Fail);
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    GSErrCode GetStatus() const { return status; }
    GSErrCode Open(OpenMode openMode, AccessDeniedTreatment accessDeniedTreatment = AccessDeniedIsErrorInPrivateLocations);
    GSErrCode WriteBin(const char* data, UInt32 length, UInt32* written = nullptr);
    GSErrCode Close();
    bool IsOpen() const;

private:
    Location location;
    GSErrCode status = NoError;
    void* handle = nullptr;
};

}  // namespace IO
