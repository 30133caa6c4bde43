#pragma once

// The pure geometry of the terrain boundary: bounds, nearest measured point, snapping.

#include <cstddef>
#include <vector>

#include "NearestPointIndex.hpp"
#include "Outline.hpp"

namespace Placement {

struct PointBounds {
    double minX = 0.0;
    double minY = 0.0;
    double maxX = 0.0;
    double maxY = 0.0;
};

PointBounds BoundsOf(const std::vector<API_Coord3D>& points);
// (minx, miny), (maxx, miny), (maxx, maxy), (minx, maxy).
Outline BoundingRectangle(const PointBounds& bounds);

// The height of the nearest point for every outline vertex, in order.
std::vector<double> NearestHeights(const std::vector<API_Coord3D>& points, const Outline& outline);
std::vector<double> NearestHeights(const std::vector<API_Coord3D>& points, const NearestPointIndex& index,
                                   const Outline& outline);

// Spacing of the samples along the outline: about 1.5 point distances, and never more than 400 per perimeter.
double SampleSpacing(const PointBounds& bounds, std::size_t pointCount, double perimeter);
// Samples on one edge: ceil(length / spacing), at least 1, and bounded for huge or non-finite lengths.
std::size_t EdgeSampleCount(double length, double spacing);

// Replaces the outline with the distinct measured points nearest to samples along it and gives their heights.
// Returns false, leaving the outline as it was, when fewer than three distinct points were picked.
bool SnapOutline(const std::vector<API_Coord3D>& points, const PointBounds& bounds, Outline& outline,
                 std::vector<double>& heights);
bool SnapOutline(const std::vector<API_Coord3D>& points, const NearestPointIndex& index, const PointBounds& bounds,
                 Outline& outline, std::vector<double>& heights);

}  // namespace Placement
