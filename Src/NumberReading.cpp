// Locale-independent number reading for the point texts, straight from the text's UTF-16 units.

#include "NumberReading.hpp"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <system_error>

namespace {

// Created on first use and kept for the life of the module.
locale_t NumberLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// White space as the "C" locale's isspace sees it.
bool IsSpace(char16_t unit)
{
    return unit == u' ' || (unit >= u'\t' && unit <= u'\r');
}

bool IsDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

// Every unit strtod could take into a number: signs, digits, point, hex, exponents, inf, nan(...).
bool MayBelongToNumber(char16_t unit)
{
    return (unit >= u'0' && unit <= u'9') || (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
           unit == u'.' || unit == u'+' || unit == u'-' || unit == u'(' || unit == u')' || unit == u'_';
}

bool MayBelongToDecimal(char16_t unit)
{
    return IsDigit(unit) || unit == u'.' || unit == u'+' || unit == u'-' || unit == u'e' || unit == u'E';
}

// The rare forms (hex, inf, nan, out of range, very long tokens) go to strtod itself, on an 8-bit
// copy of just the units it could read; a unit outside that set would stop it the same way.
bool ReadWithStrtod(const char16_t* start, const char16_t* end, const char16_t*& cursor, double& value)
{
    std::string token;
    for (const char16_t* unit = start; unit < end && MayBelongToNumber(*unit); ++unit)
        token.push_back(static_cast<char>(*unit));
    char* next = nullptr;
    value = strtod_l(token.c_str(), &next, NumberLocale());
    if (next == token.c_str())
        return false;
    cursor = start + (next - token.c_str());
    return true;
}

// One number by strtod's rules under the "C" locale; the cursor stays put when none can be read.
bool ReadNumber(const char16_t*& cursor, const char16_t* end, double& value)
{
    const char16_t* start = cursor;
    while (start < end && IsSpace(*start))
        ++start;

    // Plain decimals, the usual case, are narrowed into a small buffer for from_chars.
    constexpr std::size_t Capacity = 64;
    char narrow[Capacity];
    std::size_t length = 0;
    const char16_t* unit = start;
    while (unit < end && length < Capacity && MayBelongToDecimal(*unit))
        narrow[length++] = static_cast<char>(*unit++);
    // Below capacity the run ended at a unit no decimal can hold, so strtod would stop there too.
    const bool runEnded = length < Capacity || unit == end || !MayBelongToDecimal(*unit);

    const std::size_t sign = (length > 0 && (narrow[0] == '+' || narrow[0] == '-')) ? 1 : 0;
    const bool decimal = length > sign &&
                         (IsDigit(static_cast<char16_t>(narrow[sign])) ||
                          (narrow[sign] == '.' && length > sign + 1 && IsDigit(static_cast<char16_t>(narrow[sign + 1]))));
    const bool hexPrefix = decimal && narrow[sign] == '0' && start + sign + 1 < end &&
                           (start[sign + 1] == u'x' || start[sign + 1] == u'X');
    if (decimal && !hexPrefix && runEnded) {
        const char* first = narrow + (narrow[0] == '+' ? 1 : 0);
        const std::from_chars_result result = std::from_chars(first, narrow + length, value);
        if (result.ec == std::errc()) {
            cursor = start + (result.ptr - narrow);
            return true;
        }
    }
    return ReadWithStrtod(start, end, cursor, value);
}

const char16_t* SkipLine(const char16_t* cursor, const char16_t* end)
{
    while (cursor < end && *cursor != u'\n')
        ++cursor;
    return cursor < end ? cursor + 1 : end;
}

// Each point takes a line of its own, or the last one; and needs at least one unit per number and
// per separator. Both bound the count from above, so the points are allocated once.
std::size_t MostPoints(const char16_t* text, std::size_t length, int numbersPerPoint)
{
    std::size_t lineBreaks = 0;
    for (std::size_t i = 0; i < length; ++i)
        lineBreaks += text[i] == u'\n' ? 1 : 0;
    const std::size_t byLength = length / static_cast<std::size_t>(2 * numbersPerPoint - 1) + 1;
    return std::min(lineBreaks + 1, byLength);
}

}  // namespace

namespace Placement {

std::vector<API_Coord3D> ReadPointLines(const GS::UniString& text, int numbersPerPoint)
{
    const char16_t* cursor = text.ToUStr();
    const std::size_t length = text.GetLength();
    const char16_t* const end = cursor + length;
    std::vector<API_Coord3D> points;
    if (length == 0)
        return points;
    points.reserve(MostPoints(cursor, length, numbersPerPoint));
    while (cursor < end) {
        double values[3] = {0.0, 0.0, 0.0};
        bool complete = true;
        for (int i = 0; i < numbersPerPoint && complete; ++i)
            complete = ReadNumber(cursor, end, values[i]);
        if (complete && std::isfinite(values[0]) && std::isfinite(values[1]) && std::isfinite(values[2]))
            points.push_back({values[0], values[1], values[2]});
        cursor = SkipLine(cursor, end);
    }
    // Texts of mostly empty or broken lines would otherwise keep their whole reservation.
    if (points.size() < points.capacity() / 2)
        points.shrink_to_fit();
    return points;
}

}  // namespace Placement
