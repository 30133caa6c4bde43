// Mesh memo handles: allocation with checked sizes, filling, and release on every path.

#include "MeshMemo.hpp"

#include <cstdint>
#include <cstring>

#include "HostInterface.hpp"

namespace {

constexpr Int64 MaxHandleSize = INT32_MAX;

template <typename T>
T** Allocate(Int64 size)
{
    if (size < 0 || size > MaxHandleSize)
        return nullptr;
    return reinterpret_cast<T**>(BMAllocateHandle(static_cast<GSSize>(size), ALLOCATE_CLEAR, 0));
}

template <typename T>
void Kill(T**& handle)
{
    if (handle == nullptr)
        return;
    GSHandle raw = reinterpret_cast<GSHandle>(handle);
    BMKillHandle(&raw);
    handle = nullptr;
}

}  // namespace

namespace Placement {

MeshMemo::MeshMemo()
{
    std::memset(&memo, 0, sizeof memo);
}

MeshMemo::~MeshMemo()
{
    ReleaseQuietly();
}

void MeshMemo::ReleaseQuietly() noexcept
{
    try {
        Release();
    } catch (...) {
        FreeRemaining();
        std::memset(&memo, 0, sizeof memo);
    }
}

bool MeshMemo::Allocate(std::size_t vertices, std::size_t levelPoints)
{
    // Counts beyond the 32-bit range cannot be described to the host at all.
    if (vertices >= static_cast<std::size_t>(INT32_MAX) || levelPoints >= static_cast<std::size_t>(INT32_MAX))
        return false;
    const Int64 n = static_cast<Int64>(vertices);
    const Int64 count = static_cast<Int64>(levelPoints);
    const Int64 coordsSize = (n + 2) * static_cast<Int64>(sizeof(API_Coord));
    const Int64 heightsSize = (n + 1) * static_cast<Int64>(sizeof(double)) + static_cast<Int64>(sizeof(double));
    const Int64 levelSize = count * static_cast<Int64>(sizeof(API_MeshLevelCoord));
    const Int64 endsSize = count * static_cast<Int64>(sizeof(Int32));
    // Checked before anything is allocated, so that a hopeless request costs no memory.
    if (coordsSize > MaxHandleSize || heightsSize > MaxHandleSize || levelSize > MaxHandleSize ||
        endsSize > MaxHandleSize)
        return false;
    memo.coords = ::Allocate<API_Coord>(coordsSize);
    memo.pends = ::Allocate<Int32>(2 * static_cast<Int64>(sizeof(Int32)));
    memo.meshPolyZ = ::Allocate<double>(heightsSize);
    memo.meshLevelCoords = ::Allocate<API_MeshLevelCoord>(levelSize);
    memo.meshLevelEnds = ::Allocate<Int32>(endsSize);
    if (memo.coords && memo.pends && memo.meshPolyZ && memo.meshLevelCoords && memo.meshLevelEnds)
        return true;
    Release();
    return false;
}

void MeshMemo::Fill(const Outline& polygon, const std::vector<double>& heights,
                    const std::vector<API_Coord3D>& levelPoints, const API_Coord& offset)
{
    const std::size_t n = polygon.size();
    API_Coord* coords = *memo.coords;
    double* z = *memo.meshPolyZ;
    for (std::size_t i = 0; i < n; ++i) {
        coords[i + 1] = {polygon[i].first - offset.x, polygon[i].second - offset.y};
        z[i + 1] = i < heights.size() ? heights[i] : 0.0;
    }
    FillClosureAndLevels(n, levelPoints, offset);
}

void MeshMemo::FillFlat(const std::vector<API_Coord3D>& vertices, double height,
                        const std::vector<API_Coord3D>& levelPoints, const API_Coord& offset)
{
    const std::size_t n = vertices.size();
    API_Coord* coords = *memo.coords;
    double* z = *memo.meshPolyZ;
    for (std::size_t i = 0; i < n; ++i) {
        coords[i + 1] = {vertices[i].x - offset.x, vertices[i].y - offset.y};
        z[i + 1] = height;
    }
    FillClosureAndLevels(n, levelPoints, offset);
}

void MeshMemo::FillClosureAndLevels(std::size_t n, const std::vector<API_Coord3D>& levelPoints,
                                    const API_Coord& offset)
{
    API_Coord* coords = *memo.coords;
    double* z = *memo.meshPolyZ;
    if (n > 0) {
        coords[n + 1] = coords[1];
        z[n + 1] = z[1];
    }
    (*memo.pends)[0] = 0;
    (*memo.pends)[1] = static_cast<Int32>(n + 1);

    API_MeshLevelCoord* level = *memo.meshLevelCoords;
    Int32* ends = *memo.meshLevelEnds;
    for (std::size_t i = 0; i < levelPoints.size(); ++i) {
        level[i].c = {levelPoints[i].x - offset.x, levelPoints[i].y - offset.y, levelPoints[i].z};
        ends[i] = static_cast<Int32>(i + 1);
    }
}

void MeshMemo::Release()
{
    if (!memo.coords && !memo.pends && !memo.meshPolyZ && !memo.meshLevelCoords && !memo.meshLevelEnds)
        return;
    const GSErrCode error = Host::DisposeElementMemo(&memo);
    if (error != NoError)
        FreeRemaining();
    std::memset(&memo, 0, sizeof memo);
}

void MeshMemo::FreeRemaining()
{
    Kill(memo.coords);
    Kill(memo.pends);
    Kill(memo.meshPolyZ);
    Kill(memo.meshLevelCoords);
    Kill(memo.meshLevelEnds);
}

void SetMeshCounts(API_MeshType& mesh, std::size_t vertices, std::size_t levelPoints)
{
    mesh.poly.nCoords = static_cast<Int32>(vertices + 1);
    mesh.poly.nSubPolys = 1;
    mesh.poly.nArcs = 0;
    mesh.levelLines.nSubLines = static_cast<Int32>(levelPoints);
    mesh.levelLines.nCoords = static_cast<Int32>(levelPoints);
}

}  // namespace Placement
