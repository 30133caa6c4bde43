#pragma once

#include "GSTypes.hpp"
#include "PlatformExport.hpp"
#include "UniString.hpp"

namespace GS {

// The host's exception family. It does not derive from std::exception: a host exception and a
// standard one are caught apart.
class PLATFORM_API GSException {
public:
    explicit GSException(const UniString& message = UniString(), const char* file = nullptr, UInt32 line = 0,
                         GSErrCode errCode = 0);
    GSException(const GSException&) = default;
    GSException& operator=(const GSException&) = default;
    virtual ~GSException();

    virtual const char* GetName() const;
    GSErrCode GetErrCode() const { return errCode; }
    const UniString& GetMessage() const { return message; }
    const char* GetFileName() const { return file; }  // null when unknown
    UInt32 GetLineNumber() const { return line; }

private:
    UniString message;
    const char* file;
    UInt32 line;
    GSErrCode errCode;
};

class PLATFORM_API NullPointerException : public GSException {
public:
    using GSException::GSException;
    ~NullPointerException() override;
    const char* GetName() const override;
};

class PLATFORM_API OutOfMemoryException : public GSException {
public:
    using GSException::GSException;
    ~OutOfMemoryException() override;
    const char* GetName() const override;
};

class PLATFORM_API IndexOutOfBoundsException : public GSException {
public:
    using GSException::GSException;
    ~IndexOutOfBoundsException() override;
    const char* GetName() const override;
};

}  // namespace GS
