// Locale-independent number reading for the point texts, straight from the text's UTF-16 units.

#include "NumberReading.hpp"

#include <charconv>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <locale.h>
#include <string>
#include <system_error>

#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#endif

namespace {

// Created on first use and kept for the life of the module.
locale_t NumberLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// What each ASCII unit can be in a number text, looked up once per unit.
constexpr unsigned char Other = 0, Space = 1, Decimal = 2, Word = 4;

struct UnitClasses {
    unsigned char classes[128];
    constexpr UnitClasses() : classes()
    {
        // White space as the "C" locale's isspace sees it.
        for (char unit : {' ', '\t', '\n', '\v', '\f', '\r'})
            classes[static_cast<unsigned char>(unit)] = Space;
        // Every unit strtod could take into a number: signs, digits, point, hex, exponents, inf, nan(...).
        for (int unit = 0; unit < 128; ++unit) {
            if ((unit >= 'a' && unit <= 'z') || (unit >= 'A' && unit <= 'Z') || unit == '(' || unit == ')' ||
                unit == '_')
                classes[unit] = Word;
        }
        for (char unit : {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9', '.', '+', '-', 'e', 'E'})
            classes[static_cast<unsigned char>(unit)] = Decimal | Word;
    }
};
constexpr UnitClasses Classes{};

unsigned ClassOf(char16_t unit)
{
    return unit < 128 ? Classes.classes[unit] : Other;
}

bool IsSpace(char16_t unit)
{
    return ClassOf(unit) == Space;
}

bool IsDigit(char16_t unit)
{
    return unit >= u'0' && unit <= u'9';
}

bool MayBelongToNumber(char16_t unit)
{
    return (ClassOf(unit) & Word) != 0;
}

bool MayBelongToDecimal(char16_t unit)
{
    return (ClassOf(unit) & Decimal) != 0;
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

std::size_t CountLineBreaks(const char16_t* text, std::size_t length)
{
    std::size_t lineBreaks = 0;
    std::size_t i = 0;
#if defined(__SSE2__) || defined(_M_X64)
    // Eight units at a time; each 16-bit lane counts at most 4,096 blocks before it is summed up.
    const __m128i lineBreak = _mm_set1_epi16(u'\n');
    const __m128i ones = _mm_set1_epi16(1);
    while (i + 8 <= length) {
        __m128i counts = _mm_setzero_si128();
        const std::size_t blocks = std::min<std::size_t>((length - i) / 8, 4096);
        for (std::size_t block = 0; block < blocks; ++block, i += 8) {
            const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + i));
            counts = _mm_sub_epi16(counts, _mm_cmpeq_epi16(units, lineBreak));
        }
        alignas(16) std::int32_t sums[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(sums), _mm_madd_epi16(counts, ones));
        lineBreaks += static_cast<std::size_t>(sums[0]) + static_cast<std::size_t>(sums[1]) +
                      static_cast<std::size_t>(sums[2]) + static_cast<std::size_t>(sums[3]);
    }
#endif
    for (; i < length; ++i)
        lineBreaks += text[i] == u'\n' ? 1 : 0;
    return lineBreaks;
}

// Each point takes a line of its own, or the last one, so the line breaks bound the points from
// above. Counting them all costs as much as a good part of the reading; the opening stretch of a
// long text tells its line length well enough, with an eighth to spare. Only a text whose later
// lines are much shorter than its first ones makes the points grow once more.
std::size_t ExpectedPoints(const char16_t* text, std::size_t length)
{
    constexpr std::size_t Sample = 1 << 16;
    const std::size_t sampled = std::min(length, Sample);
    const std::size_t lineBreaks = CountLineBreaks(text, sampled);
    if (sampled == length)
        return lineBreaks + 1;
    const double perUnit = static_cast<double>(lineBreaks + 1) / static_cast<double>(sampled);
    return static_cast<std::size_t>(perUnit * static_cast<double>(length) * 1.125) + 64;
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
    points.reserve(ExpectedPoints(cursor, length));
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

std::vector<API_Coord3D> ParseXYZLines(const GS::UniString& text)
{
    return ReadPointLines(text, 3);
}

std::vector<API_Coord3D> ParseXYLines(const GS::UniString& text)
{
    return ReadPointLines(text, 2);
}

}  // namespace Placement

double ReadLeadingNumber(const char* text)
{
    return text == nullptr ? 0.0 : strtod_l(text, nullptr, NumberLocale());
}
