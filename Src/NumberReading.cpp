// Locale-independent number reading for the point texts.

#include "NumberReading.hpp"

#include <cmath>
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

}  // namespace

namespace Placement {

std::vector<API_Coord3D> ReadPointLines(const GS::UniString& text, int numbersPerPoint)
{
    const GS::UniString::CStr bytes = text.ToCStr(CC_Default);
    const char* cursor = bytes.Get();
    const char* const end = cursor + bytes.GetLength();
    std::vector<API_Coord3D> points;
    while (cursor < end) {
        double values[3] = {0.0, 0.0, 0.0};
        bool complete = true;
        for (int i = 0; i < numbersPerPoint && complete; ++i)
            complete = ReadNumber(cursor, values[i]);
        if (complete && std::isfinite(values[0]) && std::isfinite(values[1]) && std::isfinite(values[2]))
            points.push_back({values[0], values[1], values[2]});
        cursor = SkipLine(cursor, end);
    }
    return points;
}

}  // namespace Placement
