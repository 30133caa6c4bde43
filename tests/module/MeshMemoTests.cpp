// Mesh memo handles: sizes that do not fit a handle, and release without a host.

#include <gtest/gtest.h>

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

}  // namespace
