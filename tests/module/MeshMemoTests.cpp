// Mesh memo handles: sizes that do not fit a handle, and release without a host.

#include <vector>

#include <gtest/gtest.h>

#include "HostHandles.hpp"
#include "MeshMemo.hpp"

namespace {

TEST(MeshMemo, CountsBeyondAHandleFailWithoutAllocatingAnything)
{
    const Int64 before = BMGetLiveHandleCount();
    {
        Placement::MeshMemo memo;
        EXPECT_FALSE(memo.Allocate(3, std::size_t{1} << 26));  // 2^26 level points need 2 GiB
        EXPECT_FALSE(memo.Allocate(std::size_t{1} << 27, 3));  // (2^27 + 2) * 16 bytes
        EXPECT_FALSE(memo.Allocate(std::size_t{1} << 40, 3));
        EXPECT_EQ(memo.Get()->coords, nullptr);
        EXPECT_EQ(BMGetLiveHandleCount(), before);
    }
    EXPECT_EQ(BMGetLiveHandleCount(), before);
}

TEST(MeshMemo, FillsAClosedPolygonAndOnePointLevelLines)
{
    const Int64 before = BMGetLiveHandleCount();
    {
        Placement::MeshMemo memo;
        ASSERT_TRUE(memo.Allocate(3, 2));
        EXPECT_EQ(BMGetLiveHandleCount(), before + 5);
        memo.Fill({{10, 20}, {30, 20}, {30, 40}}, {1, 2, 3}, {{11, 21, 5}, {12, 22, 6}}, API_Coord{10, 20});
        const API_ElementMemo& m = *memo.Get();
        EXPECT_EQ(BMGetHandleSize(reinterpret_cast<GSConstHandle>(m.coords)), 5 * 16);
        EXPECT_EQ(BMGetHandleSize(reinterpret_cast<GSConstHandle>(m.meshPolyZ)), 4 * 8 + 8);
        EXPECT_EQ((*m.coords)[0].x, 0.0);
        EXPECT_EQ((*m.coords)[1].x, 0.0);
        EXPECT_EQ((*m.coords)[3].y, 20.0);
        EXPECT_EQ((*m.coords)[4].x, (*m.coords)[1].x);
        EXPECT_EQ((*m.meshPolyZ)[4], 1.0);
        EXPECT_EQ((*m.pends)[1], 4);
        EXPECT_EQ((*m.meshLevelCoords)[1].c.x, 2.0);
        EXPECT_EQ((*m.meshLevelCoords)[1].c.z, 6.0);
        EXPECT_EQ((*m.meshLevelEnds)[0], 1);
        EXPECT_EQ((*m.meshLevelEnds)[1], 2);
    }
    // No host here: the memo frees its own handles.
    EXPECT_EQ(BMGetLiveHandleCount(), before);
}

// The flat form of a building's top is the general fill with one height repeated, byte for byte.
TEST(MeshMemo, FlatFillIsTheGeneralFillWithOneHeight)
{
    const std::vector<std::vector<API_Coord3D>> outlines = {
        {},
        {{1.5, -2.25, 99}},
        {{-743000.12, -1043000.5, 7}, {-742990, -1043000.5, -3}, {-742990, -1042992, 0}, {-742996, -1042989, 1e300}},
        {{0, 0, 0}, {-0.0, 0, 0}, {1e-310, -1e-310, 0}}};
    const std::vector<std::vector<API_Coord3D>> levels = {{}, {{1, 2, 3}}, {{-5, 6.5, -0.0}, {7, 8, 9}, {1e9, -1e9, 2}}};
    const double height = 14.75;
    const API_Coord offset{-743000.0, -1043000.0};
    const auto bytes = [](auto** handle) {
        const GSSize size = BMGetHandleSize(reinterpret_cast<GSConstHandle>(handle));
        const char* first = reinterpret_cast<const char*>(*handle);
        return std::vector<char>(first, first + size);
    };
    for (const auto& outline : outlines) {
        for (const auto& level : levels) {
            Placement::MeshMemo general;
            Placement::MeshMemo flat;
            ASSERT_TRUE(general.Allocate(outline.size(), level.size()));
            ASSERT_TRUE(flat.Allocate(outline.size(), level.size()));
            Placement::Outline polygon;
            for (const API_Coord3D& vertex : outline)
                polygon.emplace_back(vertex.x, vertex.y);
            general.Fill(polygon, std::vector<double>(polygon.size(), height), level, offset);
            flat.FillFlat(outline, height, level, offset);
            const API_ElementMemo& a = *general.Get();
            const API_ElementMemo& b = *flat.Get();
            EXPECT_EQ(bytes(a.coords), bytes(b.coords)) << outline.size() << " vertices";
            EXPECT_EQ(bytes(a.pends), bytes(b.pends));
            EXPECT_EQ(bytes(a.meshPolyZ), bytes(b.meshPolyZ)) << outline.size() << " vertices";
            EXPECT_EQ(bytes(a.meshLevelCoords), bytes(b.meshLevelCoords)) << level.size() << " level points";
            EXPECT_EQ(bytes(a.meshLevelEnds), bytes(b.meshLevelEnds));
        }
    }
}

}  // namespace
