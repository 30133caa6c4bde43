// An attribute index as the host's class: made from a number, compared for equality, never ordered
// nor mixed with integers; a zero-filled record holds the invalid index.

#include <gtest/gtest.h>

#include <cstring>
#include <type_traits>

#include "ACAPinc.h"

namespace {

template <class T>
concept Ordered = requires(T a, T b) { a < b; };

template <class T>
concept Arithmetic = requires(T a) { a + 1; };

TEST(AttributeIndex, IsNoNumberToOrderOrComputeWith)
{
    EXPECT_FALSE((std::is_convertible_v<Int32, API_AttributeIndex>));
    EXPECT_FALSE((std::is_convertible_v<API_AttributeIndex, Int32>));
    EXPECT_FALSE((std::is_constructible_v<API_AttributeIndex, Int32>));
    EXPECT_FALSE(Ordered<API_AttributeIndex>);
    EXPECT_FALSE(Arithmetic<API_AttributeIndex>);
    // The records keep their layout: the index takes the place of the host's 32-bit number.
    EXPECT_EQ(sizeof(API_AttributeIndex), sizeof(Int32));
    EXPECT_TRUE(std::is_trivially_copyable_v<API_Element>);
}

TEST(AttributeIndex, KeepsItsNumberAndSign)
{
    for (Int32 number : {-7, -1, 0, 1, 2, 0x7FFFFFFF}) {
        const API_AttributeIndex index = ACAPI_CreateAttributeIndex(number);
        EXPECT_EQ(index.ToInt32_Deprecated(), number);
        EXPECT_EQ(index.IsPositive(), number > 0) << number;
        EXPECT_EQ(index.IsNegative(), number < 0) << number;
        EXPECT_TRUE(index == ACAPI_CreateAttributeIndex(number));
        EXPECT_FALSE(index != ACAPI_CreateAttributeIndex(number));
        EXPECT_TRUE(index != ACAPI_CreateAttributeIndex(number ^ 1));
        EXPECT_FALSE(index == ACAPI_CreateAttributeIndex(number ^ 1));
    }
    EXPECT_EQ(APIInvalidAttributeIndex.ToInt32_Deprecated(), 0);
    EXPECT_EQ(APIApplicationLayerAttributeIndex.ToInt32_Deprecated(), 1);
    EXPECT_EQ(APISolidLineAttributeIndex.ToInt32_Deprecated(), 1);
}

TEST(AttributeIndex, AZeroFilledRecordHoldsTheInvalidIndex)
{
    API_Element element{};
    EXPECT_TRUE(element.header.layer == APIInvalidAttributeIndex);
    EXPECT_FALSE(element.mesh.topMat.hasValue);
    EXPECT_TRUE(element.mesh.buildingMaterial == APIInvalidAttributeIndex);

    API_Attribute attribute;
    std::memset(&attribute, 0, sizeof attribute);
    EXPECT_TRUE(attribute.header.index == APIInvalidAttributeIndex);
    EXPECT_FALSE(attribute.header.index.IsPositive());

    element.mesh.topMat = APIApplicationLayerAttributeIndex;
    EXPECT_TRUE(element.mesh.topMat.hasValue);
    EXPECT_TRUE(element.mesh.topMat.value == APIApplicationLayerAttributeIndex);
    element.mesh.topMat = APINullValue;
    EXPECT_FALSE(element.mesh.topMat.hasValue);
    EXPECT_TRUE(element.mesh.topMat.value == APIInvalidAttributeIndex);
}

}  // namespace
