#pragma once

#include "GSRoot.hpp"
#include "Location.hpp"

namespace IO {

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
