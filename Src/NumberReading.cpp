// Locale-independent number reading for the point texts.

#include "NumberReading.hpp"

#include <cstdlib>
#include <cstring>
#include <locale.h>

namespace {

// Created on first use and kept for the life of the module.
locale_t NumberLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

}  // namespace

namespace Placement {

bool ReadNumber(const char*& cursor, double& value)
{
    char* next = nullptr;
    value = strtod_l(cursor, &next, NumberLocale());
    if (next == cursor)
        return false;
    cursor = next;
    return true;
}

const char* SkipLine(const char* cursor, const char* end)
{
    const void* lineBreak = std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor));
    return lineBreak != nullptr ? static_cast<const char*>(lineBreak) + 1 : end;
}

}  // namespace Placement
