#include <cstdarg>
#include <cstdio>
#include <vector>

#include "ClassicNumbers.hpp"
#include "GSDebug.hpp"

namespace {

std::string& PrintedText()
{
    // Never destroyed: a module unloaded after the exit handlers still reaches it.
    static std::string& text = *new std::string;
    return text;
}

}  // namespace

void DBPrintf(const char* format, ...)
{
    if (format == nullptr)
        return;
    const GS::ClassicNumbers classic;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int needed = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        std::vsnprintf(buffer.data(), buffer.size(), format, args);
        PrintedText().append(buffer.data(), static_cast<std::size_t>(needed));
    }
    va_end(args);
}

std::string DBGetPrintedText()
{
    return PrintedText();
}

void DBClearPrintedText()
{
    PrintedText().clear();
}
