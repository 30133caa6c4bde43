#include "GSException.hpp"

namespace GS {

GSException::GSException(const UniString& message, const char* file, UInt32 line, GSErrCode errCode)
    : message(message), file(file), line(line), errCode(errCode)
{
}

GSException::~GSException() = default;

const char* GSException::GetName() const
{
    return "GSException";
}

NullPointerException::~NullPointerException() = default;

const char* NullPointerException::GetName() const
{
    return "NullPointerException";
}

OutOfMemoryException::~OutOfMemoryException() = default;

const char* OutOfMemoryException::GetName() const
{
    return "OutOfMemoryException";
}

IndexOutOfBoundsException::~IndexOutOfBoundsException() = default;

const char* IndexOutOfBoundsException::GetName() const
{
    return "IndexOutOfBoundsException";
}

}  // namespace GS
