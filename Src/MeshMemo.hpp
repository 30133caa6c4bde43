#pragma once

// The memo of a mesh element: its five handles, owned until released, and the counts that go with them.

#include <cstddef>
#include <vector>

#include "ACAPinc.h"
#include "Outline.hpp"

namespace Placement {

class MeshMemo {
public:
    MeshMemo();
    ~MeshMemo();  // releases what is still held, without throwing
    MeshMemo(const MeshMemo&) = delete;
    MeshMemo& operator=(const MeshMemo&) = delete;

    // Handles for a closed polygon of `vertices` and one level line per level point. False, holding
    // nothing, when a handle cannot be had or its size would not fit a handle.
    bool Allocate(std::size_t vertices, std::size_t levelPoints);
    // Polygon vertices and level points moved by -offset; heights as given, one per vertex.
    void Fill(const Outline& polygon, const std::vector<double>& heights, const std::vector<API_Coord3D>& levelPoints,
              const API_Coord& offset);
    // As Fill, for a polygon at one height: its vertices' x and y, `height` for every vertex.
    void FillFlat(const std::vector<API_Coord3D>& vertices, double height, const std::vector<API_Coord3D>& levelPoints,
                  const API_Coord& offset);
    // Hands the memo back to the host; handles the host did not take are freed here.
    void Release();
    // As Release, for paths that are already handling a failure: frees the handles itself if the host throws.
    void ReleaseQuietly() noexcept;

    API_ElementMemo* Get() { return &memo; }

private:
    void FreeRemaining();
    void FillClosureAndLevels(std::size_t vertices, const std::vector<API_Coord3D>& levelPoints, const API_Coord& offset);

    API_ElementMemo memo;
};

// Polygon and level-line counts of a mesh record for a memo made by MeshMemo.
void SetMeshCounts(API_MeshType& mesh, std::size_t vertices, std::size_t levelPoints);

}  // namespace Placement
