// Point texts and the boundary geometry of the terrain.

#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "NumberReading.hpp"
#include "TerrainGeometry.hpp"

namespace {

using Placement::Outline;

std::vector<API_Coord3D> Grid(int columns, int rows, double step)
{
    std::vector<API_Coord3D> points;
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < columns; ++column)
            points.push_back({column * step, row * step, static_cast<double>(row * columns + column)});
    return points;
}

void ExpectPoint(const API_Coord3D& point, double x, double y, double z)
{
    EXPECT_DOUBLE_EQ(point.x, x);
    EXPECT_DOUBLE_EQ(point.y, y);
    EXPECT_DOUBLE_EQ(point.z, z);
}

TEST(ParseXYZLines, ReadsOneTriplePerLineWithAnySeparatorsAndDropsTheRest)
{
    const auto points = Placement::ParseXYZLines("1 2 3\n\t-4.5\t5e1  6.25 extra words\r\n7 8 9 10\n");
    ASSERT_EQ(points.size(), 3u);
    ExpectPoint(points[0], 1, 2, 3);
    ExpectPoint(points[1], -4.5, 50, 6.25);
    ExpectPoint(points[2], 7, 8, 9);
}

TEST(ParseXYZLines, ATwoNumberLineTakesItsHeightFromTheNextLine)
{
    const auto points = Placement::ParseXYZLines("10 20\n30 40 50\n1 2 3");
    ASSERT_EQ(points.size(), 2u);
    ExpectPoint(points[0], 10, 20, 30);
    ExpectPoint(points[1], 1, 2, 3);
}

TEST(ParseXYZLines, LinesThatDoNotStartWithThreeNumbersAreSkipped)
{
    const auto points = Placement::ParseXYZLines("x y z\n1 2 abc\n# note\n4 5 6\n\n7,5 8 9\n");
    ASSERT_EQ(points.size(), 1u);
    ExpectPoint(points[0], 4, 5, 6);
    EXPECT_TRUE(Placement::ParseXYZLines("").empty());
    EXPECT_TRUE(Placement::ParseXYZLines("   \n\n").empty());
}

TEST(ParseXYZLines, NonFiniteValuesDropTheirTriple)
{
    const auto points = Placement::ParseXYZLines("nan 1 2\n1 inf 2\n1 2 -INFINITY\n1 2 1e999\n3 4 5\n");
    ASSERT_EQ(points.size(), 1u);
    ExpectPoint(points[0], 3, 4, 5);
}

TEST(ParseXYZLines, DecimalCommaIsNotADecimalPoint)
{
    // "1,5" reads as 1 and leaves ",5", so the line fails at its second number.
    EXPECT_TRUE(Placement::ParseXYZLines("1,5 2 3\n").empty());
}

TEST(ParseXYLines, ReadsPairsAndIgnoresAThirdNumber)
{
    const auto points = Placement::ParseXYLines("0 0\n10 0 99\nbad\n10 10\n0 nan\n0 10");
    ASSERT_EQ(points.size(), 4u);
    ExpectPoint(points[1], 10, 0, 0);
    ExpectPoint(points[3], 0, 10, 0);
}

TEST(ParseXYLines, AOneNumberLineBorrowsTheNextLinesFirstNumber)
{
    const auto points = Placement::ParseXYLines("5\n6 7\n8 9");
    ASSERT_EQ(points.size(), 2u);
    ExpectPoint(points[0], 5, 6, 0);
    ExpectPoint(points[1], 8, 9, 0);
}

TEST(NearestPoint, TakesTheStrictlyClosestAndTheLowestIndexOnTies)
{
    const std::vector<API_Coord3D> points{{0, 0, 1}, {2, 0, 2}, {1, 5, 3}, {2, 0, 4}};
    EXPECT_EQ(Placement::NearestPoint(points, 1.9, 0.1), 1u);
    EXPECT_EQ(Placement::NearestPoint(points, 1.0, 0.0), 0u);  // equally far from 0 and 1
    EXPECT_EQ(Placement::NearestPoint(points, 2.0, 0.0), 1u);  // 1 and 3 coincide
    EXPECT_EQ(Placement::NearestPoint(points, std::nan(""), 0.0), 0u);
}

TEST(NearestHeights, GiveEachVertexTheHeightOfItsNearestPoint)
{
    const std::vector<API_Coord3D> points{{0, 0, 1}, {10, 0, 2}, {10, 10, 3}};
    const auto heights = Placement::NearestHeights(points, {{-1, -1}, {11, 1}, {9, 12}, {4, 0}});
    EXPECT_EQ(heights, (std::vector<double>{1, 2, 3, 1}));
}

TEST(BoundingRectangle, RunsCounterClockwiseFromTheLowerLeft)
{
    const std::vector<API_Coord3D> points{{3, 7, 0}, {-1, 2, 0}, {5, -4, 0}};
    const auto bounds = Placement::BoundsOf(points);
    EXPECT_EQ(Placement::BoundingRectangle(bounds), (Outline{{-1, -4}, {5, -4}, {5, 7}, {-1, 7}}));
}

TEST(SampleSpacing, FollowsThePointDensityAndCapsTheSampleCount)
{
    const Placement::PointBounds square{0, 0, 100, 100};
    EXPECT_DOUBLE_EQ(Placement::SampleSpacing(square, 100, 400), 15.0);   // 10 m apart, times 1.5
    EXPECT_DOUBLE_EQ(Placement::SampleSpacing(square, 100, 40000), 100.0);  // at most 400 samples
    const Placement::PointBounds line{0, 0, 100, 0};
    EXPECT_DOUBLE_EQ(Placement::SampleSpacing(line, 10, 200), 1.5);  // no area: 1 m
    EXPECT_DOUBLE_EQ(Placement::SampleSpacing(line, 10, 0), 1.5);
}

TEST(EdgeSampleCount, IsAtLeastOneAndStaysDefinedForAnyLength)
{
    EXPECT_EQ(Placement::EdgeSampleCount(10.0, 3.0), 4u);
    EXPECT_EQ(Placement::EdgeSampleCount(9.0, 3.0), 3u);
    EXPECT_EQ(Placement::EdgeSampleCount(0.0, 3.0), 1u);
    const double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(Placement::EdgeSampleCount(std::nan(""), 3.0), 1u);
    EXPECT_EQ(Placement::EdgeSampleCount(inf, inf), 1u);
    EXPECT_GE(Placement::EdgeSampleCount(inf, 1.0), 1u);
    EXPECT_LE(Placement::EdgeSampleCount(1e300, 1e-300), std::size_t{1} << 20);
}

TEST(SnapOutline, PicksDistinctPointsAlongTheOutlineWithTheirHeights)
{
    const auto points = Grid(11, 11, 1.0);  // 0..10 m, z = index
    Outline outline{{0, 0}, {10, 0}, {10, 10}, {0, 10}};
    std::vector<double> heights;
    ASSERT_TRUE(Placement::SnapOutline(points, Placement::BoundsOf(points), outline, heights));
    ASSERT_EQ(outline.size(), heights.size());
    ASSERT_GE(outline.size(), 4u);
    EXPECT_EQ(outline.front(), (std::pair<double, double>{0, 0}));
    for (std::size_t i = 0; i < outline.size(); ++i) {
        const bool onEdge = outline[i].first == 0 || outline[i].first == 10 || outline[i].second == 0 ||
                            outline[i].second == 10;
        EXPECT_TRUE(onEdge) << i;
        EXPECT_DOUBLE_EQ(heights[i], outline[i].second * 11 + outline[i].first);
        for (std::size_t j = 0; j < i; ++j)
            EXPECT_NE(outline[i], outline[j]);
    }
}

TEST(SnapOutline, KeepsTheOutlineWhenFewerThanThreePointsArePicked)
{
    const std::vector<API_Coord3D> points{{0, 0, 1}, {100, 100, 2}, {50, 50, 3}};
    const Outline given{{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    Outline outline = given;
    std::vector<double> heights;
    EXPECT_FALSE(Placement::SnapOutline(points, Placement::BoundsOf(points), outline, heights));
    EXPECT_EQ(outline, given);
    EXPECT_TRUE(heights.empty());
}

TEST(SnapOutline, HugeCoordinatesDoNotRunAway)
{
    const std::vector<API_Coord3D> points{{-1e308, -1e308, 1}, {1e308, -1e308, 2}, {1e308, 1e308, 3}, {0, 0, 4}};
    Outline outline{{-1e308, -1e308}, {1e308, -1e308}, {1e308, 1e308}, {-1e308, 1e308}};
    std::vector<double> heights;
    Placement::SnapOutline(points, Placement::BoundsOf(points), outline, heights);
    EXPECT_TRUE(heights.empty() || heights.size() == outline.size());
}

}  // namespace
