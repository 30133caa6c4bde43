#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CadastrePlacement.hpp"
#include "OrthophotoPlacement.hpp"

namespace {

std::vector<char> Bytes(const std::string& text)
{
    return std::vector<char>(text.begin(), text.end());
}

}  // namespace

TEST(PictureFormat, PngNeedsItsSignatureAndNineBytes)
{
    EXPECT_TRUE(Placement::IsPng(Bytes(std::string("\x89PNG\r\n\x1a\n\0", 9))));
    EXPECT_TRUE(Placement::IsPng(Bytes(std::string("\x89PNGxxxxxxxxxxxxxxx", 20))));
    EXPECT_FALSE(Placement::IsPng(Bytes(std::string("\x89PNG\r\n\x1a\n", 8))));
    EXPECT_FALSE(Placement::IsPng(Bytes(std::string("\x89PNg\r\n\x1a\n\0", 9))));
    EXPECT_FALSE(Placement::IsPng(Bytes(std::string("PNG\r\n\x1a\n\0\0", 9))));
    EXPECT_FALSE(Placement::IsPng(Bytes(std::string("\xFF\xD8\xFF\xE0\0\x10JFIF", 10))));
    EXPECT_FALSE(Placement::IsPng({}));
}

TEST(PictureFormat, EmptyImageIsRefusedBeforeTheHostIsAsked)
{
    GS::UniString diagnostics;
    PlaceTarget target;
    EXPECT_EQ(Placement::PlaceOrthophoto({}, 10, 10, 0, 0, 1, 1, 0, 0, "L", target, diagnostics),
              static_cast<GSErrCode>(0x81060068));
    EXPECT_TRUE(diagnostics.IsEmpty());
}

TEST(CadastreDecoding, NoLayersIsNothingToDo)
{
    GS::UniString diagnostics;
    PlaceTarget target;
    EXPECT_EQ(Placement::PlaceCadastre({}, target, diagnostics), NoError);
    EXPECT_EQ(diagnostics, "zadne vrstvy ");
}
