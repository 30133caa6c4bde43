#pragma once

// A uniform grid over the measured points for nearest-point queries in plan. It answers exactly
// as a full scan does: the smallest squared distance, the lowest index among equal distances, and
// index 0 when no point is closer than 1e30.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "ACAPinc.h"

namespace Placement {

// The point closest in plan to (x, y) by a full scan; among equal distances the lowest index. 0 when
// none is closer than 1e30.
std::size_t NearestPoint(const std::vector<API_Coord3D>& points, double x, double y);

class NearestPointIndex {
public:
    // Keeps a reference to `points`, which must outlive the index and stay unchanged.
    explicit NearestPointIndex(const std::vector<API_Coord3D>& points);

    std::size_t Nearest(double x, double y) const;

private:
    std::size_t CellOf(double coordinate, double origin, std::size_t cells) const;
    std::size_t Scan(double x, double y) const;

    const std::vector<API_Coord3D>& points;
    bool gridded = false;
    double minX = 0.0, minY = 0.0, maxX = 0.0, maxY = 0.0;
    double cellSize = 1.0, inverseCell = 1.0;
    double tolerance = 0.0;  // how far rounding may move a point across a cell border
    std::size_t columns = 1, rows = 1;
    std::vector<std::uint32_t> cellStarts;  // columns * rows + 1 offsets into `order`
    std::vector<std::uint32_t> order;       // point indices by cell, ascending within a cell
};

}  // namespace Placement
