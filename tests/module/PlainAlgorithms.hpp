#pragma once

// The plain, obviously right forms of the module's fast paths: the differential tests hold the
// fast ones to exactly these results.

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <vector>

#include "NumberReading.hpp"
#include "TerrainGeometry.hpp"

namespace plain {

// strtod under the "C" locale over the text's 8-bit form, line by line.
inline std::vector<API_Coord3D> ReadPointLines(const GS::UniString& text, int numbersPerPoint)
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    const GS::UniString::CStr bytes = text.ToCStr(CC_Default);
    const char* cursor = bytes.Get();
    const char* const end = cursor + bytes.GetLength();
    std::vector<API_Coord3D> points;
    while (cursor < end) {
        double values[3] = {0.0, 0.0, 0.0};
        bool complete = true;
        for (int i = 0; i < numbersPerPoint && complete; ++i) {
            char* next = nullptr;
            values[i] = strtod_l(cursor, &next, locale);
            complete = next != cursor;
            if (complete)
                cursor = next;
        }
        if (complete && std::isfinite(values[0]) && std::isfinite(values[1]) && std::isfinite(values[2]))
            points.push_back({values[0], values[1], values[2]});
        const void* lineBreak = std::memchr(cursor, '\n', static_cast<std::size_t>(end - cursor));
        cursor = lineBreak != nullptr ? static_cast<const char*>(lineBreak) + 1 : end;
    }
    return points;
}

// One letter at a time through a bit accumulator; everything outside the alphabet skipped.
inline std::vector<char> DecodeBase64(const std::string& text)
{
    std::vector<char> bytes;
    unsigned accumulator = 0;
    int bits = -8;
    for (const char c : text) {
        const unsigned char u = static_cast<unsigned char>(c);
        int value = -1;
        if (u >= 'A' && u <= 'Z')
            value = u - 'A';
        else if (u >= 'a' && u <= 'z')
            value = u - 'a' + 26;
        else if (u >= '0' && u <= '9')
            value = u - '0' + 52;
        else if (u == '+')
            value = 62;
        else if (u == '/')
            value = 63;
        if (value < 0)
            continue;
        accumulator = (accumulator << 6) + static_cast<unsigned>(value);
        bits += 6;
        if (bits >= 0) {
            bytes.push_back(static_cast<char>((accumulator >> bits) & 0xFF));
            bits -= 8;
        }
    }
    return bytes;
}

// Samples along the outline, each answered by a full scan of the points.
inline bool SnapOutline(const std::vector<API_Coord3D>& points, const Placement::PointBounds& bounds,
                        Placement::Outline& outline, std::vector<double>& heights)
{
    if (points.empty() || outline.empty())
        return false;
    double perimeter = 0.0;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const auto& from = outline[i];
        const auto& to = outline[(i + 1) % outline.size()];
        perimeter += std::hypot(to.first - from.first, to.second - from.second);
    }
    const double spacing = Placement::SampleSpacing(bounds, points.size(), perimeter);
    std::vector<bool> used(points.size(), false);
    std::vector<std::size_t> picked;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const auto& from = outline[i];
        const auto& to = outline[(i + 1) % outline.size()];
        const double dx = to.first - from.first;
        const double dy = to.second - from.second;
        const std::size_t samples = Placement::EdgeSampleCount(std::hypot(dx, dy), spacing);
        for (std::size_t j = 0; j < samples; ++j) {
            const double t = static_cast<double>(j) / static_cast<double>(samples);
            const std::size_t nearest = Placement::NearestPoint(points, from.first + dx * t, from.second + dy * t);
            if (!used[nearest]) {
                used[nearest] = true;
                picked.push_back(nearest);
            }
        }
    }
    if (picked.size() < 3)
        return false;
    outline.clear();
    heights.clear();
    for (std::size_t pick : picked) {
        outline.emplace_back(points[pick].x, points[pick].y);
        heights.push_back(points[pick].z);
    }
    return true;
}

}  // namespace plain
