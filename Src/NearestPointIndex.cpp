// Nearest measured point through a uniform grid, with the full scan's answer.

#include "NearestPointIndex.hpp"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double FarAway = 1e30;
// Below this many points a scan is as quick as any index.
constexpr std::size_t GridFromPoints = 64;
// Spreads beyond this would overflow the squared distances; such inputs are scanned.
constexpr double LargestSpread = 1e150;

}  // namespace

namespace Placement {

std::size_t NearestPoint(const std::vector<API_Coord3D>& points, double x, double y)
{
    double best = FarAway;
    std::size_t bestIndex = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double dx = points[i].x - x;
        const double dy = points[i].y - y;
        const double distance = dx * dx + dy * dy;
        if (distance < best) {
            best = distance;
            bestIndex = i;
        }
    }
    return bestIndex;
}

NearestPointIndex::NearestPointIndex(const std::vector<API_Coord3D>& points) : points(points)
{
    const std::size_t count = points.size();
    if (count < GridFromPoints || count >= std::numeric_limits<std::uint32_t>::max())
        return;
    minX = maxX = points[0].x;
    minY = maxY = points[0].y;
    for (const API_Coord3D& point : points) {
        minX = std::min(minX, point.x);
        maxX = std::max(maxX, point.x);
        minY = std::min(minY, point.y);
        maxY = std::max(maxY, point.y);
    }
    const double spreadX = maxX - minX;
    const double spreadY = maxY - minY;
    if (!(spreadX <= LargestSpread && spreadY <= LargestSpread))  // also NaN
        return;

    // About two points per cell.
    const double wanted = std::max(1.0, static_cast<double>(count) / 2.0);
    double size = 1.0;
    if (spreadX > 0.0 && spreadY > 0.0)
        size = std::sqrt(spreadX * spreadY / wanted);
    else if (spreadX > 0.0 || spreadY > 0.0)
        size = std::max(spreadX, spreadY) / wanted;
    if (!(size > 0.0) || !std::isfinite(size))
        size = 1.0;
    const double mostCells = 2.0 * wanted + 2.0;
    double cellsX = std::floor(spreadX / size) + 1.0;
    double cellsY = std::floor(spreadY / size) + 1.0;
    while (cellsX * cellsY > mostCells) {  // thin strips of points
        size *= 1.25;
        cellsX = std::floor(spreadX / size) + 1.0;
        cellsY = std::floor(spreadY / size) + 1.0;
    }
    cellSize = size;
    inverseCell = 1.0 / size;
    columns = static_cast<std::size_t>(cellsX);
    rows = static_cast<std::size_t>(cellsY);
    tolerance = 1e-10 * (std::fabs(minX) + std::fabs(minY) + spreadX + spreadY + cellSize);

    // Counting sort by cell; a stable pass keeps the indices ascending inside every cell.
    cellStarts.assign(columns * rows + 1, 0);
    for (const API_Coord3D& point : points)
        ++cellStarts[CellOf(point.y, minY, rows) * columns + CellOf(point.x, minX, columns) + 1];
    for (std::size_t cell = 1; cell < cellStarts.size(); ++cell)
        cellStarts[cell] += cellStarts[cell - 1];
    order.resize(count);
    std::vector<std::uint32_t> next(cellStarts.begin(), cellStarts.end() - 1);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t cell = CellOf(points[i].y, minY, rows) * columns + CellOf(points[i].x, minX, columns);
        order[next[cell]++] = static_cast<std::uint32_t>(i);
    }
    gridded = true;
}

std::size_t NearestPointIndex::CellOf(double coordinate, double origin, std::size_t cells) const
{
    // Truncation is the floor for positive positions; the rest, NaN included, is cell 0.
    const double position = (coordinate - origin) * inverseCell;
    if (!(position > 0.0))
        return 0;
    if (position >= static_cast<double>(cells - 1))
        return cells - 1;
    return static_cast<std::size_t>(position);
}

std::size_t NearestPointIndex::Scan(double x, double y) const
{
    return NearestPoint(points, x, y);
}

std::size_t NearestPointIndex::Nearest(double x, double y) const
{
    if (!gridded || !std::isfinite(x) || !std::isfinite(y))
        return Scan(x, y);

    // Every point at least 1e30 away: the scan would keep its starting index.
    const double outsideX = std::max({minX - x, x - maxX, 0.0});
    const double outsideY = std::max({minY - y, y - maxY, 0.0});
    const double boxDistance = outsideX * outsideX + outsideY * outsideY;
    if (boxDistance * (1.0 - 1e-12) > FarAway)
        return 0;
    if (!(boxDistance < FarAway * 1e-6))  // near the limit: let the scan decide
        return Scan(x, y);

    const std::ptrdiff_t centreX = static_cast<std::ptrdiff_t>(CellOf(x, minX, columns));
    const std::ptrdiff_t centreY = static_cast<std::ptrdiff_t>(CellOf(y, minY, rows));
    const std::ptrdiff_t lastX = static_cast<std::ptrdiff_t>(columns) - 1;
    const std::ptrdiff_t lastY = static_cast<std::ptrdiff_t>(rows) - 1;
    double best = FarAway;
    std::size_t bestIndex = 0;
    bool found = false;

    const auto visit = [&](std::ptrdiff_t cellX, std::ptrdiff_t cellY) {
        const std::size_t cell = static_cast<std::size_t>(cellY) * columns + static_cast<std::size_t>(cellX);
        for (std::uint32_t k = cellStarts[cell]; k < cellStarts[cell + 1]; ++k) {
            const std::uint32_t i = order[k];
            const double dx = points[i].x - x;
            const double dy = points[i].y - y;
            const double distance = dx * dx + dy * dy;
            if (distance < best || (found && distance == best && i < bestIndex)) {
                best = distance;
                bestIndex = i;
                found = true;
            }
        }
    };

    const double infinite = std::numeric_limits<double>::infinity();
    for (std::ptrdiff_t ring = 0;; ++ring) {
        const std::ptrdiff_t left = centreX - ring, right = centreX + ring;
        const std::ptrdiff_t bottom = centreY - ring, top = centreY + ring;
        for (std::ptrdiff_t cellY = std::max<std::ptrdiff_t>(bottom, 0); cellY <= std::min(top, lastY); ++cellY) {
            if (cellY == bottom || cellY == top) {
                for (std::ptrdiff_t cellX = std::max<std::ptrdiff_t>(left, 0); cellX <= std::min(right, lastX); ++cellX)
                    visit(cellX, cellY);
            } else {
                if (left >= 0)
                    visit(left, cellY);
                if (right <= lastX && right != left)
                    visit(right, cellY);
            }
        }
        // How far the query is from every cell not yet visited.
        const double gapLeft = left > 0 ? x - (minX + static_cast<double>(left) * cellSize) : infinite;
        const double gapRight = right < lastX ? (minX + static_cast<double>(right + 1) * cellSize) - x : infinite;
        const double gapBottom = bottom > 0 ? y - (minY + static_cast<double>(bottom) * cellSize) : infinite;
        const double gapTop = top < lastY ? (minY + static_cast<double>(top + 1) * cellSize) - y : infinite;
        const double gap = std::min({gapLeft, gapRight, gapBottom, gapTop});
        if (gap == infinite)
            break;
        const double reach = gap - tolerance;
        // Strictly beyond the best, so that a farther cell cannot hold an equal distance with a lower index.
        if (reach > 0.0 && reach * reach * (1.0 - 1e-12) > best)
            break;
    }
    return found ? bestIndex : 0;
}

}  // namespace Placement
