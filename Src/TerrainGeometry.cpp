// Boundary geometry of the terrain mesh.

#include "TerrainGeometry.hpp"

#include <algorithm>
#include <cmath>

namespace {

constexpr double FarAway = 1e30;
constexpr double MaxSamplesPerPerimeter = 400.0;
// Only reachable with overflowing coordinates; keeps the cast defined and the scan finite.
constexpr double MaxSamplesPerEdge = 1 << 20;

double Perimeter(const Placement::Outline& outline)
{
    double perimeter = 0.0;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const auto& from = outline[i];
        const auto& to = outline[(i + 1) % outline.size()];
        perimeter += std::hypot(to.first - from.first, to.second - from.second);
    }
    return perimeter;
}

}  // namespace

namespace Placement {

PointBounds BoundsOf(const std::vector<API_Coord3D>& points)
{
    PointBounds bounds{FarAway, FarAway, -FarAway, -FarAway};
    for (const API_Coord3D& point : points) {
        bounds.minX = std::min(bounds.minX, point.x);
        bounds.minY = std::min(bounds.minY, point.y);
        bounds.maxX = std::max(bounds.maxX, point.x);
        bounds.maxY = std::max(bounds.maxY, point.y);
    }
    return bounds;
}

Outline BoundingRectangle(const PointBounds& bounds)
{
    return {{bounds.minX, bounds.minY}, {bounds.maxX, bounds.minY}, {bounds.maxX, bounds.maxY}, {bounds.minX, bounds.maxY}};
}

std::vector<double> NearestHeights(const std::vector<API_Coord3D>& points, const Outline& outline)
{
    return NearestHeights(points, NearestPointIndex(points), outline);
}

std::vector<double> NearestHeights(const std::vector<API_Coord3D>& points, const NearestPointIndex& index,
                                   const Outline& outline)
{
    std::vector<double> heights;
    heights.reserve(outline.size());
    for (const auto& vertex : outline)
        heights.push_back(points.empty() ? 0.0 : points[index.Nearest(vertex.first, vertex.second)].z);
    return heights;
}

double SampleSpacing(const PointBounds& bounds, std::size_t pointCount, double perimeter)
{
    const double area = (bounds.maxX - bounds.minX) * (bounds.maxY - bounds.minY);
    double spacing = (area > 0.0 && pointCount > 0) ? std::sqrt(area / static_cast<double>(pointCount)) : 1.0;
    spacing *= 1.5;
    if (perimeter / spacing > MaxSamplesPerPerimeter)
        spacing = perimeter / MaxSamplesPerPerimeter;
    if (spacing <= 0.0)
        spacing = 1.0;
    return spacing;
}

std::size_t EdgeSampleCount(double length, double spacing)
{
    const double ratio = std::ceil(length / spacing);
    if (!(ratio >= 1.0))  // also NaN
        return 1;
    if (ratio > MaxSamplesPerEdge)
        return static_cast<std::size_t>(MaxSamplesPerEdge);
    return static_cast<std::size_t>(ratio);
}

bool SnapOutline(const std::vector<API_Coord3D>& points, const PointBounds& bounds, Outline& outline,
                 std::vector<double>& heights)
{
    return SnapOutline(points, NearestPointIndex(points), bounds, outline, heights);
}

bool SnapOutline(const std::vector<API_Coord3D>& points, const NearestPointIndex& index, const PointBounds& bounds,
                 Outline& outline, std::vector<double>& heights)
{
    if (points.empty() || outline.empty())
        return false;
    const double spacing = SampleSpacing(bounds, points.size(), Perimeter(outline));

    std::vector<bool> used(points.size(), false);
    std::vector<std::size_t> picked;
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const auto& from = outline[i];
        const auto& to = outline[(i + 1) % outline.size()];
        const double dx = to.first - from.first;
        const double dy = to.second - from.second;
        const std::size_t samples = EdgeSampleCount(std::hypot(dx, dy), spacing);
        for (std::size_t j = 0; j < samples; ++j) {
            const double t = static_cast<double>(j) / static_cast<double>(samples);
            const std::size_t nearest = index.Nearest(from.first + dx * t, from.second + dy * t);
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
    outline.reserve(picked.size());
    heights.reserve(picked.size());
    for (std::size_t pick : picked) {
        outline.emplace_back(points[pick].x, points[pick].y);
        heights.push_back(points[pick].z);
    }
    return true;
}

}  // namespace Placement
