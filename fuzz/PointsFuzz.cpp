// The point-text readers (terrain points, building footprints, roof points) against a plain strtod
// reader written from the rules: numbers by strtod in the "C" locale, which skip blanks and line
// breaks; a line whose numbers cannot all be read is dropped; after a point the rest of its line is
// dropped; points with "nan" or "inf" are dropped.
//
// Input: first byte bit 0: the rest is UTF-16 code units instead of UTF-8.

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "FuzzInput.hpp"
#include "NumberReading.hpp"

namespace {

std::vector<API_Coord3D> ReferencePoints(const std::string& bytes, int numbersPerPoint)
{
    std::vector<API_Coord3D> points;
    std::size_t at = 0;
    while (at < bytes.size()) {
        double values[3] = {0, 0, 0};
        int read = 0;
        while (read < numbersPerPoint) {
            const char* start = bytes.c_str() + at;
            char* end = nullptr;
            values[read] = std::strtod(start, &end);
            if (end == start)
                break;
            at += static_cast<std::size_t>(end - start);
            ++read;
        }
        if (read == numbersPerPoint && std::isfinite(values[0]) && std::isfinite(values[1]) &&
            std::isfinite(values[2]))
            points.push_back({values[0], values[1], values[2]});
        const std::size_t lineBreak = bytes.find('\n', at);
        at = lineBreak == std::string::npos ? bytes.size() : lineBreak + 1;
    }
    return points;
}

bool SamePoints(const std::vector<API_Coord3D>& a, const std::vector<API_Coord3D>& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        // Bit for bit: -0 and 0 differ, as strtod gives them.
        if (std::memcmp(&a[i].x, &b[i].x, sizeof(double)) != 0 || std::memcmp(&a[i].y, &b[i].y, sizeof(double)) != 0 ||
            std::memcmp(&a[i].z, &b[i].z, sizeof(double)) != 0)
            return false;
    }
    return true;
}

std::string Describe(const std::vector<API_Coord3D>& got, const std::vector<API_Coord3D>& expected)
{
    std::string text = "reader " + std::to_string(got.size()) + " points, reference " +
                       std::to_string(expected.size());
    for (std::size_t i = 0; i < got.size() && i < expected.size(); ++i) {
        if (std::memcmp(&got[i], &expected[i], sizeof(API_Coord3D)) != 0) {
            char line[200];
            std::snprintf(line, sizeof line, "; first difference at %zu: (%.17g %.17g %.17g) vs (%.17g %.17g %.17g)", i,
                          got[i].x, got[i].y, got[i].z, expected[i].x, expected[i].y, expected[i].z);
            text += line;
            break;
        }
    }
    return text;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const bool utf16 = (data[0] & 1) != 0;
    const GS::UniString text = utf16 ? fuzz::Utf16Text(data + 1, size - 1) : fuzz::Utf8Text(data + 1, size - 1);
    const GS::UniString::CStr cText = text.ToCStr(CC_Default);
    const std::string bytes(cText.Get(), cText.GetLength());

    const std::vector<API_Coord3D> xyz = Placement::ParseXYZLines(text);
    const std::vector<API_Coord3D> xyzExpected = ReferencePoints(bytes, 3);
    if (!SamePoints(xyz, xyzExpected))
        fuzz::Fail("ParseXYZLines differs from the reference", Describe(xyz, xyzExpected));

    const std::vector<API_Coord3D> xy = Placement::ParseXYLines(text);
    const std::vector<API_Coord3D> xyExpected = ReferencePoints(bytes, 2);
    if (!SamePoints(xy, xyExpected))
        fuzz::Fail("ParseXYLines differs from the reference", Describe(xy, xyExpected));
    return 0;
}
